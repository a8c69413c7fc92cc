#include "operations/map_coordinates.h"

#include "base/cp1251.h"
#include "base/text.h"

namespace mirvex {

std::string MapCoordinates::InWords() const {
  std::string words = CoordSysInWords(coordsys);
  if (to_wgs84) words += " -> WGS 84";
  return words;
}

std::optional<MapCoordinates> ChooseMapCoordinates(const MifHeaderInfo& header, const ConversionOptions& options,
                                                   std::string_view mif_path, std::string& message) {
  MapCoordinates coordinates;
  if (header.coordsys_clause.empty()) return coordinates;
  std::string problem;
  std::optional<MapInfoCoordSys> coordsys = ParseCoordSys(header.coordsys_clause, problem);
  bool transform = options.to_wgs84 && !options.georeference.enabled;
  if (coordsys) {
    coordinates.coordsys = std::move(*coordsys);
    if (!transform || coordinates.coordsys.kind != CoordSysKind::kEarth ||
        IsWgs84LongitudeLatitude(coordinates.coordsys)) {
      return coordinates;
    }
    coordinates.to_wgs84 = Wgs84Transform::Create(coordinates.coordsys, problem);
    if (coordinates.to_wgs84) return coordinates;
  } else if (!transform) {
    // The numbers are copied whatever the clause says.
    return coordinates;
  }
  message = Ru("Систему координат карты нельзя пересчитать в WGS 84 (") + problem + "):" + std::string(kLineBreak) +
            header.coordsys_clause + std::string(kLineBreak) +
            Ru("Снимите флажок \"Пересчитывать координаты в WGS 84\", чтобы скопировать числа как есть, или "
               "сохраните таблицу в MapInfo в системе координат \"Долгота / Широта (WGS 84)\".") +
            std::string(kLineBreak) + std::string(mif_path);
  return std::nullopt;
}

std::string UntransformedObjects::Message(std::string_view mif_path) const {
  if (count_ == 0) return {};
  auto count = static_cast<long long>(count_);
  std::string list;
  for (std::uint64_t number : numbers_) {
    if (!list.empty()) list += ", ";
    list += std::to_string(number);
  }
  if (count_ > numbers_.size()) list += Ru(" и другие");
  return ObjectCount(count) +
         std::string(PluralForm(count, Ru(" не записан: его"), Ru(" не записаны: их"), Ru(" не записаны: их"))) +
         Ru(" координаты не пересчитываются в WGS 84 (точка вне области проекции или за пределами 180° долготы "
            "или 90° широты). Номера объектов в файле MIF: ") +
         list + std::string(kLineBreak) + std::string(mif_path);
}

}  // namespace mirvex
