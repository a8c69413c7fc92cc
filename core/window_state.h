// State that the operations share with the main window and that outlives a single
// operation: the current MID record, the MIF bounds, the record the last dictionary
// lookup left behind, and the object writer's per-object state.
#pragma once

#include <array>
#include <string>

#include "core/mif_header.h"
#include "dictionary/object_record.h"

namespace mirvex {

inline constexpr int kMidFieldSlots = 51;  // slots 0..50; the reader fills 1..n

struct WindowState {
  std::array<std::string, kMidFieldSlots> MidFields;
  Bounds MifBounds;            // BoundsX1, BoundsY1, BoundsX2, BoundsY2
  ObjectRecord LookupRecord;   // the record the last lookup read
  std::string DefaultType;     // ObjectType of the default-type record, as stored
  bool TextMode = false;       // the object in progress is a MIF text object
  std::string TextLabel;       // its accepted string
  double ObjectSize = 0;       // size measure of the object in progress
};

// A pass over a MID file starts from an empty record: a column the file does not have
// then reads as empty instead of as a value left behind by an earlier file or page.
inline void ClearMidFields(WindowState& state) { state.MidFields.fill(std::string()); }

}  // namespace mirvex
