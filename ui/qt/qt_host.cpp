#include "ui/qt/qt_host.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QWidget>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include "base/platform.h"
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

void QtHost::RunSoon(std::function<void()> task) {
  QObject* context = parent_ ? static_cast<QObject*>(parent_) : QCoreApplication::instance();
  QTimer::singleShot(0, context, std::move(task));
}

void QtHost::Quit() { QCoreApplication::quit(); }

bool QtHost::Confirm(const std::string& text, const std::string& title) {
  return QMessageBox::question(parent_, ToQt(title), ToQtLines(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

// The column view pads its cells with blanks of 45 twips each, so widths are given in
// that unit of the view's own fixed-width font: then the padded columns line up.
int QtHost::TextWidth(const std::string& text) {
  QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return static_cast<int>(metrics.horizontalAdvance(ToQt(text)) * 45.0 / metrics.horizontalAdvance(' ') + 0.5);
}

}  // namespace mirvex::ui::qt
