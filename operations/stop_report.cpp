#include "operations/stop_report.h"

#include "base/cp1251.h"

namespace mirvex {

void ReportStop(OperationStatus status, Host& host) {
  if (status != OperationStatus::kStopped) return;
  host.ShowMessage(Ru("Операция прервана"), Ru("Информация"), MessageIcon::kInformation);
}

}  // namespace mirvex
