// A plain store of control values, for the command line and the tests.
#pragma once

#include <array>
#include <string>

#include "core/host.h"

namespace mirvex {

class ControlTable : public ControlValues {
 public:
  std::string Text(Control control) const override;
  void SetText(Control control, const std::string& text) override;
  int Check(Control control) const override;
  void SetCheck(Control control, int value) override;

 private:
  std::array<std::string, kControlCount> texts_;
  std::array<int, kControlCount> checks_{};
};

}  // namespace mirvex
