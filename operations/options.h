// What the operations are asked to do: their options as typed values, read once when
// a run starts, and how a run ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mirvex {

enum class OperationStatus {
  kCompleted,  // ran to its completion message
  kFailed,     // stopped on a reported problem
  kStopped,    // the user asked it to stop; nothing was replaced
};

// A MID column that does not exist in a record (outside 1..50) reads as empty.
inline constexpr int kNoColumn = 0;

// Stretching a sheet drawn in plane units onto the rectangle between two corners and
// turning it by an angle about the lower-left corner.
struct GeoreferenceOptions {
  bool enabled = false;
  double lower_left_longitude = 0;
  double lower_left_latitude = 0;
  double upper_right_longitude = 0;
  double upper_right_latitude = 0;
  double rotation_degrees = 0;
};

struct ConversionOptions {
  // Written at the top of the map, followed by CR LF.
  std::string header_template;
  // Labels in Latin letters (Дорога = Doroga).
  bool transliterate_labels = false;
  // The section follows the MIF object; otherwise the dictionary decides the section,
  // the type and the level.
  bool section_from_mif = false;
  // The MID's column count is read from the MIF header (`Columns n`) when the run
  // starts, in place of `column_count`.
  bool column_count_from_header = false;
  // Fields per MID record; 0 when there is no usable count (one line per record).
  std::int64_t column_count = 0;
  // The MID column (1 = first) holding the object's description, and the one holding
  // its label; kNoColumn reads as empty.
  int type_column = kNoColumn;
  int label_column = kNoColumn;
  // No labels at all (text objects keep theirs).
  bool no_labels = false;
  // Objects whose size measure exceeds the threshold are raised one level.
  bool raise_large_objects = false;
  double size_threshold = 0;
  GeoreferenceOptions georeference;
  // A map in another Earth coordinate system than WGS 84 longitude/latitude is
  // transformed into it; otherwise its numbers are copied as they stand. A
  // georeferenced sheet is never transformed: its corners say where it lies.
  bool to_wgs84 = true;
};

// The crop rectangle in degrees; a bound the user left empty is nullopt, and the crop
// refuses to run without all four.
struct CropOptions {
  std::optional<double> west;
  std::optional<double> north;
  std::optional<double> east;
  std::optional<double> south;
  // Polylines and regions crossing the rectangle are cut at its edges rather than
  // keeping only their pairs inside.
  bool clip_objects = false;
};

}  // namespace mirvex
