// The conversion's consumer of the MIF object reader for a map transformed into WGS 84.
// Transforming a position costs several times reading it, so objects are gathered in
// batches: while the next batch is read, the positions of the last one are transformed
// on the other cores, each worker with a PROJ pipeline of its own, and the batch is then
// written in the MIF's order. The memory stays that of two batches whatever the map.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "mapinfo/mid_reader.h"
#include "mapinfo/mif_object_reader.h"
#include "mapinfo/wgs84_transform.h"
#include "operations/map_coordinates.h"
#include "operations/object_writer.h"
#include "operations/options.h"

namespace mirvex {

// Transforms arrays of positions in place on worker threads; a position without a
// place in WGS 84 becomes NaN.
class TransformWorkers {
 public:
  explicit TransformWorkers(std::vector<std::unique_ptr<Wgs84Transform>> transforms);
  ~TransformWorkers();
  TransformWorkers(const TransformWorkers&) = delete;
  TransformWorkers& operator=(const TransformWorkers&) = delete;

  // Starts on `count` positions; the arrays stay untouched by the caller until Wait.
  void Start(double* x, double* y, std::size_t count);
  void Wait();

 private:
  void Work(std::size_t index);

  std::vector<std::unique_ptr<Wgs84Transform>> transforms_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable start_;
  std::condition_variable done_;
  std::uint64_t generation_ = 0;
  std::size_t running_ = 0;
  bool quit_ = false;
  double* x_ = nullptr;
  double* y_ = nullptr;
  std::size_t count_ = 0;
};

class TransformedObjects {
 public:
  static constexpr bool kTakesValues = true;

  TransformedObjects(const ConversionOptions& options, ObjectInProgress& object, ObjectWriter& writer,
                     std::vector<std::unique_ptr<Wgs84Transform>> transforms);
  ~TransformedObjects();

  void ObjectStarted(const MifObjectStart& start);
  void PartStarted() { new_part_ = true; }
  void Vertex(const MifVertex& vertex);
  void TextString(std::string_view text) { batches_[filling_].objects[objects_].text_label = text; }
  void ObjectFinished(bool numbers_usable);
  void LineUnreadable() {}

  // Transforms and writes the objects still gathered; once, at the end of the map.
  void Flush();

  const UntransformedObjects& untransformed() const { return untransformed_; }

 private:
  struct GatheredObject {
    std::int16_t kind = 0;
    bool text_object = false;
    std::uint64_t number = 0;
    std::string text_label;
    std::size_t record = 0;  // into Batch::records
    std::size_t first_vertex = 0, end_vertex = 0;
    std::size_t first_part = 0, end_part = 0;  // into Batch::part_starts
  };
  struct Batch {
    std::vector<GatheredObject> objects;  // reused from batch to batch, like the records
    std::vector<MidRecord> records;
    std::size_t record_count = 0;
    std::vector<double> x, y;
    std::vector<std::uint8_t> measured;  // written in the MIF, not computed: counts for the size
    std::vector<std::size_t> part_starts;  // the vertices that open a second or later part
  };

  void Rotate();
  void Write(Batch& batch, std::size_t object_count);

  const ConversionOptions& options_;
  ObjectInProgress& object_;
  ObjectWriter& writer_;
  TransformWorkers workers_;
  Batch batches_[2];
  std::size_t filling_ = 0;       // the batch being read into
  std::size_t objects_ = 0;       // objects gathered in it
  std::size_t transforming_objects_ = 0;  // objects of the other batch, when it is being transformed
  bool transforming_ = false;
  bool new_part_ = false;
  const MidRecord* last_record_ = nullptr;
  std::uint64_t last_number_ = 0;
  std::string coords_;
  UntransformedObjects untransformed_;
};

}  // namespace mirvex
