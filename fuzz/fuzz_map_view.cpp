#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/map_view_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mirvex::fuzz::FuzzMapView(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
