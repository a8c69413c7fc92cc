#include "ui/win32/win32_binding.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"
#include "ui/window_texts.h"

namespace mirvex::ui::win32 {

std::string ControlText(HWND hwnd, bool* fits) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
  wide.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, wide.data(), length + 1)));
  return TextFromWide(wide, fits);
}

void SetControlText(HWND hwnd, const std::string& cp1251) { SetWindowTextW(hwnd, WideText(cp1251).c_str()); }

int ControlId(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return 1000 + static_cast<int>(hash % 60000u);
}

std::string OutsideCp1251Message(const std::string& shown) {
  return Ru("В тексте есть символы, которых нет в кодировке cp1251 (в пути они назвали бы другой файл); "
            "введите его без них:") +
         std::string(kLineBreak) + shown;
}

namespace {

// The text of a greyed box stays readable: dark grey on the light grey, about 5.7 : 1.
constexpr COLORREF kGreyedText = RGB(64, 64, 64);

COLORREF BackgroundColour(Background background) {
  switch (background) {
    case Background::kGrey:
      return RGB(192, 192, 192);
    case Background::kToolTip:
      return GetSysColor(COLOR_INFOBK);
    case Background::kWhite:
      break;
  }
  return GetSysColor(COLOR_WINDOW);
}


void FillCombo(HWND combo, const UiControl& control) {
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : control.items()) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(item).c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(control.list_index()), 0);
  SetControlText(combo, control.text());
}

void FillList(HWND list, const UiControl& control) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  // The widest line sets how far the list scrolls sideways.
  HDC dc = GetDC(list);
  HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (std::size_t i = 0; i < control.items().size(); ++i) {
    std::wstring line = WideText(control.items()[i]);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SIZE size{};
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, old_font);
  ReleaseDC(list, dc);
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
  LONG style = GetWindowLongW(list, GWL_STYLE);
  bool several = (style & LBS_EXTENDEDSEL) != 0;
  for (std::size_t i = 0; i < control.items().size(); ++i) {
    if (several && control.selected(static_cast<int>(i))) SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
  }
  if (several) {
    SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(std::max(control.list_index(), 0)), FALSE);
  } else {
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(control.list_index()), 0);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

Binder::Binding& Binder::Add(HWND hwnd, UiControl& control, bool follows_enabled) {
  Binding& binding = bindings_[hwnd];
  binding.control = &control;
  by_control_[&control] = hwnd;
  ShowWindow(hwnd, control.visible() ? SW_SHOWNA : SW_HIDE);
  if (follows_enabled) EnableWindow(hwnd, control.enabled());
  control.Subscribe([hwnd, follows_enabled](UiControl& c, Change change) {
    if (change == Change::kVisible) ShowWindow(hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
    if (change == Change::kEnabled && follows_enabled) EnableWindow(hwnd, c.enabled());
  });
  return binding;
}

HWND Binder::Find(const UiControl& control) const {
  auto found = by_control_.find(&control);
  return found == by_control_.end() ? nullptr : found->second;
}

void Binder::BindWindow(HWND hwnd, UiControl& control) { Add(hwnd, control); }

void Binder::BindButton(HWND hwnd, UiControl& control, std::function<void()> on_click) {
  Binding& binding = Add(hwnd, control);
  SetControlText(hwnd, control.text());
  control.Subscribe([hwnd](UiControl& c, Change change) {
    if (change == Change::kText) SetControlText(hwnd, c.text());
  });
  binding.on_command = [on_click](int code) {
    if (code == BN_CLICKED) on_click();
  };
}

void Binder::BindClick(HWND hwnd, std::function<void()> on_click) {
  bindings_[hwnd].on_command = [on_click](int code) {
    if (code == BN_CLICKED) on_click();
  };
}

void Binder::BindCheckBox(HWND hwnd, UiControl& control) {
  Binding& binding = Add(hwnd, control);
  SetControlText(hwnd, control.text());
  SendMessageW(hwnd, BM_SETCHECK, control.check() == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
  control.Subscribe([hwnd](UiControl& c, Change change) {
    if (change == Change::kCheck) SendMessageW(hwnd, BM_SETCHECK, c.check() == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
  });
  binding.on_command = [hwnd, &control](int code) {
    if (code == BN_CLICKED) control.SetCheck(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
  };
}

void Binder::TakeText(HWND hwnd, Binding& binding) {
  if (binding.updating) return;
  bool fits = true;
  std::string text = ControlText(hwnd, &fits);
  if (fits) {
    binding.control->SetText(text);
    return;
  }
  // The typed character is taken back: the box shows the model's text again.
  binding.updating = true;
  SetControlText(hwnd, binding.control->text());
  binding.updating = false;
  if (refuse_) refuse_(OutsideCp1251Message(text));
}

void Binder::BindEdit(HWND hwnd, UiControl& control) {
  // A box the model disables stays readable: read-only, its text dark grey on the
  // model's background (a disabled edit box would draw it in the pale system grey).
  // A box read-only by its style (a view) stays so.
  Binding& binding = Add(hwnd, control, /*follows_enabled=*/false);
  Binding* self = &binding;
  bool view = (GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY) != 0;
  bool tab_stop = (GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) != 0;
  auto apply_enabled = [hwnd, view, tab_stop](const UiControl& c) {
    if (!view) SendMessageW(hwnd, EM_SETREADONLY, c.enabled() ? FALSE : TRUE, 0);
    // Tab passes over a greyed box, as over any disabled control.
    if (!view && tab_stop) {
      LONG style = GetWindowLongW(hwnd, GWL_STYLE);
      SetWindowLongW(hwnd, GWL_STYLE, c.enabled() ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
  };
  apply_enabled(control);
  binding.updating = true;
  SetControlText(hwnd, control.text());
  binding.updating = false;
  control.Subscribe([hwnd, self, apply_enabled](UiControl& c, Change change) {
    if (change == Change::kEnabled) apply_enabled(c);
    if (change == Change::kBackground) InvalidateRect(hwnd, nullptr, TRUE);
    if (change != Change::kText || ControlText(hwnd) == c.text()) return;
    self->updating = true;
    SetControlText(hwnd, c.text());
    self->updating = false;
  });
  binding.on_command = [this, hwnd, self](int code) {
    if (code == EN_CHANGE) TakeText(hwnd, *self);
  };
}

void Binder::BindCombo(HWND hwnd, UiControl& control) {
  Binding& binding = Add(hwnd, control);
  Binding* self = &binding;
  binding.updating = true;
  FillCombo(hwnd, control);
  binding.updating = false;
  control.Subscribe([hwnd, self](UiControl& c, Change change) {
    self->updating = true;
    if (change == Change::kItems) FillCombo(hwnd, c);
    if (change == Change::kListIndex && c.list_index() >= 0) {
      SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(c.list_index()), 0);
    }
    if ((change == Change::kText || change == Change::kListIndex) && ControlText(hwnd) != c.text()) {
      SetControlText(hwnd, c.text());
    }
    self->updating = false;
  });
  binding.on_command = [this, hwnd, self, &control](int code) {
    if (self->updating) return;
    if (code == CBN_SELCHANGE) {
      control.SetListIndex(static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)));
    } else if (code == CBN_EDITCHANGE) {
      TakeText(hwnd, *self);
    }
  };
}

void Binder::BindList(HWND hwnd, UiControl& control, std::function<void(int)> on_double_click) {
  Binding& binding = Add(hwnd, control);
  Binding* self = &binding;
  FillList(hwnd, control);
  bool several = (GetWindowLongW(hwnd, GWL_STYLE) & LBS_EXTENDEDSEL) != 0;
  control.Subscribe([hwnd, self, several](UiControl& c, Change change) {
    self->updating = true;
    if (change == Change::kItems) FillList(hwnd, c);
    if (change == Change::kSelection && several) {
      int count = static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        bool selected = SendMessageW(hwnd, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
        if (selected != c.selected(i)) SendMessageW(hwnd, LB_SETSEL, c.selected(i), static_cast<LPARAM>(i));
      }
    }
    if (change == Change::kListIndex) {
      if (several) SendMessageW(hwnd, LB_SETCARETINDEX, static_cast<WPARAM>(std::max(c.list_index(), 0)), FALSE);
      else SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(c.list_index()), 0);
    }
    self->updating = false;
  });
  binding.on_command = [hwnd, self, several, &control, on_double_click](int code) {
    if (self->updating) return;
    if (code == LBN_SELCHANGE) {
      int count = static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0));
      if (several) {
        // The whole selection reaches the model as one change: copied a line at a
        // time, each line's notification would put the half-copied selection back.
        std::vector<bool> selection(static_cast<std::size_t>(std::max(count, 0)), false);
        for (int i = 0; i < count; ++i) selection[static_cast<std::size_t>(i)] = SendMessageW(hwnd, LB_GETSEL, i, 0) > 0;
        control.SetSelection(std::move(selection));
        control.SetListIndex(static_cast<int>(SendMessageW(hwnd, LB_GETCARETINDEX, 0, 0)));
      } else {
        control.SetListIndex(static_cast<int>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)));
      }
    } else if (code == LBN_DBLCLK && on_double_click) {
      int index = several ? static_cast<int>(SendMessageW(hwnd, LB_GETCARETINDEX, 0, 0))
                          : static_cast<int>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0));
      if (index >= 0) on_double_click(index);
    }
  };
}

void Binder::BindLabel(HWND hwnd, UiControl& control) {
  Add(hwnd, control);
  SetControlText(hwnd, control.text());
  control.Subscribe([hwnd](UiControl& c, Change change) {
    if (change == Change::kText) SetControlText(hwnd, c.text());
  });
}

void Binder::BindProgress(HWND hwnd, UiControl& control) {
  Add(hwnd, control);
  auto apply = [hwnd](const UiControl& c) {
    int shift = ProgressShift(c.maximum());
    SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(ProgressUnits(c.minimum(), shift)),
                 static_cast<LPARAM>(ProgressUnits(c.maximum(), shift)));
    SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(ProgressUnits(c.value(), shift)), 0);
  };
  apply(control);
  control.Subscribe([apply](UiControl& c, Change change) {
    if (change == Change::kRange || change == Change::kValue) apply(c);
  });
}

void Binder::BindTrackbar(HWND hwnd, UiControl& control, std::function<void(int)> on_move) {
  Binding& binding = Add(hwnd, control);
  Binding* self = &binding;
  auto apply = [hwnd](const UiControl& c) {
    SendMessageW(hwnd, TBM_SETRANGE, TRUE, MAKELPARAM(c.minimum(), c.maximum()));
    SendMessageW(hwnd, TBM_SETPOS, TRUE, static_cast<LPARAM>(c.value()));
  };
  apply(control);
  control.Subscribe([apply, self](UiControl& c, Change change) {
    if (change != Change::kRange && change != Change::kValue) return;
    self->updating = true;
    apply(c);
    self->updating = false;
  });
  binding.on_scroll = [hwnd, self, &control, on_move](int code) {
    if (self->updating) return;
    int position = static_cast<int>(SendMessageW(hwnd, TBM_GETPOS, 0, 0));
    if (code == TB_THUMBTRACK) {
      if (on_move) on_move(position);
    } else if (code == TB_ENDTRACK) {
      // Every way of moving it (mouse or keys) ends with TB_ENDTRACK.
      control.SetValue(position);
    }
  };
}

bool Binder::OnCommand(HWND control, int code) {
  auto found = bindings_.find(control);
  if (found == bindings_.end() || !found->second.on_command) return false;
  found->second.on_command(code);
  return true;
}

bool Binder::OnTrackbarScroll(HWND control, int code) {
  auto found = bindings_.find(control);
  if (found == bindings_.end() || !found->second.on_scroll) return false;
  found->second.on_scroll(code);
  return true;
}

HBRUSH Binder::EditColours(HWND control, HDC dc) {
  auto found = bindings_.find(control);
  if (found == bindings_.end() || !found->second.control) return nullptr;
  wchar_t class_name[16] = {};
  GetClassNameW(control, class_name, 16);
  if (lstrcmpiW(class_name, L"Edit") != 0) return nullptr;
  const UiControl& model = *found->second.control;
  COLORREF colour = BackgroundColour(model.background());
  SetTextColor(dc, model.enabled() ? GetSysColor(COLOR_WINDOWTEXT) : kGreyedText);
  SetBkColor(dc, colour);
  HBRUSH& brush = brushes_[static_cast<int>(colour)];
  if (!brush) brush = CreateSolidBrush(colour);
  return brush;
}

}  // namespace mirvex::ui::win32
