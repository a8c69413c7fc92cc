// The Qt widgets of the windows are thin views of the model's controls: each Bind*
// makes a widget show its control and hands the user's edits back to the control,
// whose change path runs the model's handlers. No rule of the program lives here.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "ui/ui_control.h"
#include "ui/window_place.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QObject;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QWidget;

namespace mirvex::ui::qt {

// cp1251 text of the model <-> the widgets' Unicode. The multi-line forms turn the
// model's CR LF into the widgets' line feeds and back.
QString ToQt(const std::string& cp1251);
std::string FromQt(const QString& text);
QString ToQtLines(const std::string& cp1251);
std::string FromQtLines(const QString& text);

// Visibility and enabled state; the widget takes the control's name and remembers
// its control, so that BoundWidget finds it.
void BindWidget(QWidget* widget, UiControl& control);
void BindButton(QAbstractButton* button, UiControl& control, std::function<void()> on_click);
void BindCheckBox(QCheckBox* box, UiControl& control);
void BindLineEdit(QLineEdit* edit, UiControl& control);
void BindPlainText(QPlainTextEdit* edit, UiControl& control);
void BindCombo(QComboBox* combo, UiControl& control);
void BindList(QListWidget* list, UiControl& control);
void BindLabel(QLabel* label, UiControl& control);
void BindProgress(QProgressBar* bar, UiControl& control);
void BindSlider(QSlider* slider, UiControl& control);

// The widget bound to `control` among the children of `root` at any depth (the
// windows it owns too), or null.
QWidget* BoundWidget(const QObject& root, const UiControl& control);

// The available areas of the screens (device-independent pixels), the primary first.
std::vector<ScreenRect> AvailableAreas();
// What the window system adds around `window`: measured once it has been shown, a
// typical title bar and border before.
FrameMargins FrameOf(const QWidget* window);
// Moves and sizes a top-level window to `inside` fitted into the screen area holding
// it (the primary screen's when none does).
void PlaceInsideScreen(QWidget* window, const ScreenRect& inside);
// Opens a top-level window of its present size beside `main` and inside the screen.
void PlaceBesideWindow(QWidget* window, const QWidget* main);

}  // namespace mirvex::ui::qt
