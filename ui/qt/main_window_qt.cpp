// The Qt main window: the window built around the headless model (the left column of
// panels and the lists beside it), the operation buttons and the progress row, the
// window's place on the screen and its closing, and the program's start.
#include "ui/qt/main_window_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/files.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/window_start.h"
#include "ui/qt/map_window_qt.h"
#include "ui/qt/qt_binding.h"
#include "ui/qt/qt_host.h"
#include "ui/window_place.h"

namespace mirvex::ui::qt {

namespace {

// The window opens this size (twips), the lists' area beside the panels.
constexpr int kWindowHeight = 9600;
constexpr int kWindowWidth = 15000;

// The left column asks for its whole width; the layout takes it from the lists only
// when the window is too narrow for both.
class LeftColumn : public QScrollArea {
 public:
  QSize sizeHint() const override { return {maximumWidth(), QScrollArea::sizeHint().height()}; }
};

}  // namespace

QtMainWindow::QtMainWindow(WindowHost& host, std::string program_folder, QWidget* parent)
    : QMainWindow(parent), host_(host), model_(std::make_unique<MainWindow>(host, std::move(program_folder))) {
  twips_per_pixel_ = 1440.0 / logicalDpiX();
  setWindowTitle(ToQt(model_->controls().main_window.text()));

  auto* central = new QWidget;
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);

  // The left area: the four panels take turns above the operation buttons. Its width is
  // the widest panel's, whichever is shown, so the lists beside it never move; a window
  // too small for it scrolls it.
  left_area_ = new QWidget;
  auto* left_layout = new QVBoxLayout(left_area_);
  QWidget* panels[] = {BuildWelcome(), BuildConversion(), BuildCrop(), BuildTestMap()};
  for (QWidget* panel : panels) left_layout->addWidget(panel);
  left_layout->addStretch(1);
  QWidget* operations = BuildOperations();
  left_layout->addWidget(operations);
  int content_width = operations->sizeHint().width();
  for (QWidget* panel : panels) content_width = std::max(content_width, panel->sizeHint().width());
  QMargins margins = left_layout->contentsMargins();
  content_width += margins.left() + margins.right();
  left_scroll_ = new LeftColumn;
  left_scroll_->setObjectName("left_column");
  left_scroll_->setFrameShape(QFrame::NoFrame);
  left_scroll_->setWidgetResizable(true);
  left_scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  left_scroll_->setWidget(left_area_);
  left_area_->setMinimumWidth(std::max(content_width, Pixels(kObjectListLeft)));
  // Room for the vertical scroll bar is kept, so that a short window does not squeeze
  // the panels nor move the lists. Only a window narrower than both parts need makes the
  // column narrower, and it then scrolls sideways.
  left_scroll_->setMaximumWidth(left_area_->minimumWidth() +
                                left_scroll_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2);
  left_scroll_->setMinimumWidth(Pixels(kObjectListLeft) / 2);
  left_scroll_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  columns->addWidget(left_scroll_);
  columns->addWidget(BuildObjects(), 1);
  setCentralWidget(central);

  resize(left_scroll_->maximumWidth() + Pixels(kWindowWidth - kObjectListLeft), Pixels(kWindowHeight));
  model_->Load();
  RestorePlace();
}

QtMainWindow::~QtMainWindow() {
  // An open object window stores its record as it closes, while the model still exists;
  // then the widgets go, while the controls they listen to still exist.
  for (QWidget* object_window : findChildren<QWidget*>("object_window", Qt::FindDirectChildrenOnly)) {
    delete object_window;
  }
  delete map_window_;
  delete takeCentralWidget();
}

int QtMainWindow::Pixels(int twips) const { return static_cast<int>(twips / twips_per_pixel_ + 0.5); }

QWidget* QtMainWindow::widget(const UiControl& control) const { return BoundWidget(*this, control); }

QWidget* QtMainWindow::BuildOperations() {
  auto* area = new QWidget;
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  const std::pair<MainControl, void (MainWindow::*)()> buttons[] = {
      {&MainWindowControls::convert_button, &MainWindow::OnConvertClicked},
      {&MainWindowControls::crop_button, &MainWindow::OnCropClicked},
      {&MainWindowControls::test_map_button, &MainWindow::OnTestMapClicked},
      {&MainWindowControls::exit_button, &MainWindow::OnExitClicked},
  };
  int index = 0;
  for (const auto& [control, handler] : buttons) {
    auto* button = new QPushButton;
    button->setMinimumHeight(Pixels(480));
    BindButton(button, model_->controls().*control, [this, handler] { (model_.get()->*handler)(); });
    grid->addWidget(button, index / 2, index % 2);
    ++index;
  }
  // Compiles the last result into .img files; enabled once there is one.
  auto* compile = new QPushButton;
  compile->setMinimumHeight(Pixels(480));
  BindButton(compile, model_->controls().compile_button, [this] { model_->OnCompileClicked(); });
  grid->addWidget(compile, 2, 0);
  // Opens the map window, or brings it to the front.
  auto* map = new QPushButton;
  map->setMinimumHeight(Pixels(480));
  BindButton(map, model_->controls().map_button, [this] { model_->OnMapClicked(); });
  grid->addWidget(map, 2, 1);
  model_->on_map_window_shown = [this](MapWindow& map_window) { ShowMapWindow(map_window); };
  auto* progress_frame = new QWidget;
  BindWidget(progress_frame, model_->controls().progress_frame);
  auto* progress = new QHBoxLayout(progress_frame);
  progress->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QProgressBar;
  bar->setTextVisible(false);
  BindProgress(bar, model_->controls().progress_bar);
  auto* percent = new QLabel;
  percent->setMinimumWidth(Pixels(600));
  percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  BindLabel(percent, model_->controls().progress_percent);
  progress->addWidget(bar, 1);
  progress->addWidget(percent);
  // Shown while an operation runs; Esc does the same.
  auto* cancel = new QPushButton;
  BindButton(cancel, model_->controls().cancel_button, [this] { model_->OnCancelClicked(); });
  progress->addWidget(cancel);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { model_->OnCancelClicked(); });
  grid->addWidget(progress_frame, 3, 0, 1, 2);
  // Where the last result went and what it holds.
  auto* result_status = new QLabel;
  result_status->setWordWrap(true);
  result_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  result_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  result_status->setText(ToQtLines(model_->controls().result_status.text()));
  BindWidget(result_status, model_->controls().result_status);
  model_->controls().result_status.Subscribe([result_status](UiControl& c, Change change) {
    if (change == Change::kText) result_status->setText(ToQtLines(c.text()));
  });
  grid->addWidget(result_status, 4, 0, 1, 2);
  return area;
}

// The window opens where it was closed, inside the screen that holds the most of that
// place; a place on no screen now gives the default size in the middle of the primary
// screen. Either way a window larger than the screen shrinks to it, so its title bar and
// its buttons stay in reach.
void QtMainWindow::RestorePlace() {
  std::optional<WindowPlace> place = model_->StoredWindowPlace();
  std::optional<ScreenRect> stored;
  if (place) stored = ScreenRect{place->left, place->top, place->width, place->height};
  std::optional<OpeningPlace> opening = PlaceToOpen(stored, width(), height(), FrameOf(this), AvailableAreas());
  if (!opening) return;
  if (opening->stored) {
    model_->PlaceSplitterAtShareOnShow(place->splitter_share);
    opens_maximized_ = place->maximized;
  }
  setGeometry(opening->inside.left, opening->inside.top, opening->inside.width, opening->inside.height);
}

void QtMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window system's real frame is known once the window shows: a title bar taller
  // than assumed must not push the bottom row off the screen.
  if (!placed_ && !isMaximized() && !isFullScreen()) {
    placed_ = true;
    QTimer::singleShot(0, this, [this] {
      if (isMaximized() || isFullScreen()) return;
      QRect inside = geometry();
      PlaceInsideScreen(this, {inside.x(), inside.y(), inside.width(), inside.height()});
    });
  }
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  // The operation in progress owns the files it writes: closing asks whether to stop
  // it, and the program ends once it has stopped cleanly.
  if (model_->operation_running()) {
    event->ignore();
    model_->OnExitClicked();
    return;
  }
  // A maximized window keeps the place it will return to; the inner rectangle is stored,
  // as setGeometry takes it back, so the place does not creep by the title bar.
  QRect place = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
  model_->SaveWindowPlace(
      {place.x(), place.y(), place.width(), place.height(), model_->SplitterShare(), isMaximized()});
  QMainWindow::closeEvent(event);
}

namespace {

// What Qt said while the window system was being opened; shown after our own message
// when the start fails, and passed on as it was when it succeeds.
QString& StartupLog() {
  static QString log;
  return log;
}

void CollectStartupMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  StartupLog() += message + '\n';
  if (type != QtFatalMsg) return;
  // Qt gives up on the window system: say so in the user's language and end with the
  // status of a start that could not be made, instead of the abort that would follow.
  std::fputs(DisplayRefusedMessage().c_str(), stderr);
  std::fprintf(stderr, "Сообщение Qt:\n%s", StartupLog().toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(kWindowCannotStart);
}

}  // namespace

bool InstallRussianTranslation(QCoreApplication& app) {
  // The portable folder carries its own copy; an installed program uses the system's.
  const QString folders[] = {QCoreApplication::applicationDirPath() + "/translations",
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  for (const QString& folder : folders) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_", folder)) {
      return QCoreApplication::installTranslator(translator);
    }
    delete translator;
  }
  return false;
}

int RunMainWindow(int argc, char** argv) {
  if (!DisplayNamed()) {
    std::fputs(NoDisplayMessage().c_str(), stderr);
    return kWindowCannotStart;
  }
  QtMessageHandler previous = qInstallMessageHandler(CollectStartupMessage);
  QApplication app(argc, argv);
  qInstallMessageHandler(previous);
  if (!StartupLog().isEmpty()) std::fputs(StartupLog().toLocal8Bit().constData(), stderr);
  QApplication::setApplicationName("Mirvex");
  // Qt's own dialogs (choosing a file, the buttons of a message box) in Russian, as the
  // rest of the window.
  InstallRussianTranslation(app);
  QtHost host;
  bool name_fits = true;
  std::string folder = ProgramFolder(&name_fits);
  QtMainWindow window(host, folder);
  host.set_parent(&window);
  window.opens_maximized() ? window.showMaximized() : window.show();
  if (!name_fits) ShowInformation(host, ProgramFolderNameMessage(folder));
  return QApplication::exec();
}

}  // namespace mirvex::ui::qt
