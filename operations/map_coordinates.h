// Where a MIF's numbers land on the receiver: copied as written, stretched onto a
// sheet's corners (georeference.h), or transformed from the map's coordinate system
// into WGS 84. The conversion and the map view both ask here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mapinfo/coordsys.h"
#include "mapinfo/mif_lines.h"
#include "mapinfo/wgs84_transform.h"
#include "operations/options.h"

namespace mirvex {

struct MapCoordinates {
  MapInfoCoordSys coordsys;                  // as the header names it (kAbsent when unread)
  std::unique_ptr<Wgs84Transform> to_wgs84;  // null: the numbers are copied

  // "Гаусс-Крюгер, зона 7, Пулково 1942 -> WGS 84" (cp1251 has no arrow), or the system alone when its numbers
  // are taken as they stand.
  std::string InWords() const;
};

// The coordinates of a MIF with this header under these options. nullopt, with
// `message` set to the whole message for the user, when the map is to be transformed
// but its clause cannot be turned into a transformation.
std::optional<MapCoordinates> ChooseMapCoordinates(const MifHeaderInfo& header, const ConversionOptions& options,
                                                   std::string_view mif_path, std::string& message);

// The objects left out because a position of theirs has no place in WGS 84, and the
// numbers (from 1, in the MIF's order) of the first few.
class UntransformedObjects {
 public:
  void Add(std::uint64_t object_number) {
    if (numbers_.size() < kListed) numbers_.push_back(object_number);
    ++count_;
  }
  std::uint64_t count() const { return count_; }
  // The message after a run that left some out; empty when none was.
  std::string Message(std::string_view mif_path) const;

 private:
  static constexpr std::size_t kListed = 10;
  std::vector<std::uint64_t> numbers_;
  std::uint64_t count_ = 0;
};

}  // namespace mirvex
