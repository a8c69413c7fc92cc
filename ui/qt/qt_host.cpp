#include "ui/qt/qt_host.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QWidget>
#include <QMessageBox>
#include <QUrl>

#include "core/platform.h"
#include "ui/qt/qt_binding.h"

namespace mirvex::ui::qt {

void QtHost::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox::Icon qt_icon = icon == MessageIcon::kExclamation   ? QMessageBox::Warning
                              : icon == MessageIcon::kCritical    ? QMessageBox::Critical
                              : icon == MessageIcon::kInformation ? QMessageBox::Information
                                                                  : QMessageBox::NoIcon;
  QMessageBox box(qt_icon, ToQt(title), ToQtLines(text), QMessageBox::Ok, parent_);
  box.exec();
}

void QtHost::Beep() { QApplication::beep(); }

void QtHost::ProcessEvents() { QCoreApplication::processEvents(); }

bool QtHost::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(NativePath(path).string())));
}

void QtHost::Quit() { QCoreApplication::quit(); }

int QtHost::TextWidth(const std::string& text) {
  if (!parent_) return WindowHost::TextWidth(text);
  QFontMetrics metrics(parent_->font());
  return static_cast<int>(metrics.horizontalAdvance(ToQt(text)) * 1440.0 / parent_->logicalDpiX() + 0.5);
}

}  // namespace mirvex::ui::qt
