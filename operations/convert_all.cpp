#include "operations/convert_all.h"

#include "base/cp1251.h"
#include "base/text.h"
#include "garmin/text_map_writer.h"

namespace mirvex {

namespace {

// The host of one triple's conversion inside the run: progress and stop requests pass
// through, the percentage says which triple it is, messages are kept for the table.
class BatchHost : public Host {
 public:
  BatchHost(Host& host, std::size_t index, std::size_t count, BatchEntry& entry)
      : host_(host), prefix_(Ru("карта ") + std::to_string(index + 1) + Ru(" из ") + std::to_string(count) + ": "),
        entry_(entry) {}

  void ShowMessage(const std::string& text, const std::string&, MessageIcon icon) override {
    // The completion message of each triple is the "готово" of its row.
    if (icon == MessageIcon::kNone) return;
    std::string line;
    for (char c : text) {
      if (c == '\r') continue;
      line += c == '\n' ? ' ' : c;
    }
    entry_.messages.push_back(std::string(TrimBlanks(line)));
  }
  void Beep() override {}
  void SetProgressRange(std::int64_t minimum, std::int64_t maximum) override {
    host_.SetProgressRange(minimum, maximum);
  }
  void SetProgressValue(std::int64_t value) override { host_.SetProgressValue(value); }
  void SetPercentCaption(const std::string& caption) override { host_.SetPercentCaption(prefix_ + caption); }
  void ProcessEvents() override { host_.ProcessEvents(); }
  bool StopRequested() override { return host_.StopRequested(); }

 private:
  Host& host_;
  std::string prefix_;
  BatchEntry& entry_;
};

}  // namespace

BatchResult ConvertAll(const std::vector<ConversionPaths>& triples, const ConversionOptions& options,
                       std::string_view program_prefix, Host& host) {
  BatchResult result;
  if (triples.empty()) {
    host.ShowMessage(Ru("Нет сохранённых путей. Выберите MIF, MID и результат на панели конвертации и нажмите "
                        "«Сохранить путь»: такие тройки конвертирует «Конвертировать все»."),
                     Ru("Информация"), MessageIcon::kExclamation);
    return result;
  }
  for (const ConversionPaths& paths : triples) {
    BatchEntry entry;
    entry.paths = paths;
    result.entries.push_back(std::move(entry));
  }
  bool stopped = false, failed = false;
  for (std::size_t i = 0; i < result.entries.size() && !stopped; ++i) {
    BatchEntry& entry = result.entries[i];
    // A stop asked for between two maps ends the run before the next one.
    if (i > 0) {
      host.ProcessEvents();
      if (host.StopRequested()) {
        stopped = true;
        break;
      }
    }
    BatchHost batch_host(host, i, result.entries.size(), entry);
    entry.started = true;
    ConversionResult converted = Convert(entry.paths, options, program_prefix, batch_host);
    entry.status = converted.status;
    entry.counts = converted.counts;
    stopped = converted.status == OperationStatus::kStopped;
    failed = failed || converted.status == OperationStatus::kFailed;
  }
  result.status = stopped ? OperationStatus::kStopped : failed ? OperationStatus::kFailed : OperationStatus::kCompleted;
  if (result.status == OperationStatus::kCompleted) host.Beep();
  host.ShowMessage(BatchTable(result), Ru("Конвертация сохранённых карт"), MessageIcon::kNone);
  return result;
}

std::string BatchTable(const BatchResult& result) {
  const std::string br(kLineBreak);
  std::size_t done = 0;
  for (const BatchEntry& entry : result.entries) done += entry.status == OperationStatus::kCompleted;
  std::string table = Ru("Конвертировано карт: ") + std::to_string(done) + Ru(" из ") +
                      std::to_string(result.entries.size()) + br;
  for (std::size_t i = 0; i < result.entries.size(); ++i) {
    const BatchEntry& entry = result.entries[i];
    table += std::to_string(i + 1) + ". " + entry.paths.result + br + "   ";
    switch (entry.status) {
      case OperationStatus::kCompleted:
        table += SectionSummary(entry.counts) + Ru(" - готово");
        break;
      case OperationStatus::kFailed:
        table += Ru("не конвертирована");
        break;
      case OperationStatus::kStopped:
        table += entry.started ? Ru("прервана, прежний результат не тронут")
                               : Ru("не конвертировалась: операция прервана");
        break;
    }
    for (std::size_t m = 0; m < entry.messages.size(); ++m) {
      table += (m == 0 && entry.status == OperationStatus::kFailed ? ": " : "; ") + entry.messages[m];
    }
    table += br;
  }
  table.resize(table.size() - br.size());
  return table;
}

}  // namespace mirvex
