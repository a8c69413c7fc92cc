#include "operations/transformed_objects.h"

#include <cmath>
#include <limits>
#include <utility>

#include "base/text.h"

namespace mirvex {

namespace {

// A batch is handed over once it holds this many vertices or objects: large enough
// that handing over costs nothing, small enough to stay in the caches.
constexpr std::size_t kBatchVertices = 1 << 15;
constexpr std::size_t kBatchObjects = 1 << 12;

std::int16_t KindOf(MifShape shape) {
  return shape == MifShape::kRegion     ? kKindRegion
         : shape == MifShape::kPolyline ? kKindPolyline
                                        : kKindPoint;
}

}  // namespace

TransformWorkers::TransformWorkers(std::vector<std::unique_ptr<Wgs84Transform>> transforms)
    : transforms_(std::move(transforms)) {
  for (std::size_t i = 0; i < transforms_.size(); ++i) threads_.emplace_back([this, i] { Work(i); });
}

TransformWorkers::~TransformWorkers() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  start_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TransformWorkers::Start(double* x, double* y, std::size_t count) {
  {
    std::lock_guard lock(mutex_);
    x_ = x;
    y_ = y;
    count_ = count;
    running_ = threads_.size();
    ++generation_;
  }
  start_.notify_all();
}

void TransformWorkers::Wait() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return running_ == 0; });
}

void TransformWorkers::Work(std::size_t index) {
  std::uint64_t seen = 0;
  Wgs84Transform& transform = *transforms_[index];
  for (;;) {
    double* x = nullptr;
    double* y = nullptr;
    std::size_t begin = 0, end = 0;
    {
      std::unique_lock lock(mutex_);
      start_.wait(lock, [&] { return quit_ || generation_ != seen; });
      if (quit_) return;
      seen = generation_;
      x = x_;
      y = y_;
      begin = count_ * index / threads_.size();
      end = count_ * (index + 1) / threads_.size();
    }
    for (std::size_t i = begin; i < end; ++i) {
      if (!transform.Transform(x[i], y[i])) x[i] = std::numeric_limits<double>::quiet_NaN();
    }
    {
      std::lock_guard lock(mutex_);
      if (--running_ == 0) done_.notify_all();
    }
  }
}

TransformedObjects::TransformedObjects(const ConversionOptions& options, ObjectInProgress& object,
                                       ObjectWriter& writer, std::vector<std::unique_ptr<Wgs84Transform>> transforms)
    : options_(options), object_(object), writer_(writer), workers_(std::move(transforms)) {}

TransformedObjects::~TransformedObjects() {
  // A run stopped midway leaves no worker on a batch about to be freed.
  if (transforming_) workers_.Wait();
}

void TransformedObjects::ObjectStarted(const MifObjectStart& start) {
  Batch& batch = batches_[filling_];
  if (batch.objects.size() <= objects_) batch.objects.resize(objects_ + 1);
  GatheredObject& gathered = batch.objects[objects_];
  gathered.kind = KindOf(start.shape);
  gathered.text_object = start.text;
  gathered.number = start.number;
  gathered.text_label.clear();
  // The parts of a collection and the points of a multipoint share their object's
  // record: it is copied once per batch.
  if (batch.record_count == 0 || start.record != last_record_ || start.number != last_number_) {
    if (batch.records.size() <= batch.record_count) batch.records.resize(batch.record_count + 1);
    batch.records[batch.record_count++] = *start.record;
    last_record_ = start.record;
    last_number_ = start.number;
  }
  gathered.record = batch.record_count - 1;
  gathered.first_vertex = gathered.end_vertex = batch.x.size();
  gathered.first_part = gathered.end_part = batch.part_starts.size();
  new_part_ = false;
}

void TransformedObjects::Vertex(const MifVertex& vertex) {
  Batch& batch = batches_[filling_];
  if (new_part_ && batch.x.size() > batch.objects[objects_].first_vertex) batch.part_starts.push_back(batch.x.size());
  new_part_ = false;
  double x = 0, y = 0;
  vertex.Values(x, y);
  batch.x.push_back(x);
  batch.y.push_back(y);
  batch.measured.push_back(vertex.computed ? 0 : 1);
}

void TransformedObjects::ObjectFinished(bool numbers_usable) {
  Batch& batch = batches_[filling_];
  GatheredObject& gathered = batch.objects[objects_];
  if (!numbers_usable) {
    // Left out by the reader, which counts it: nothing of it is kept.
    batch.x.resize(gathered.first_vertex);
    batch.y.resize(gathered.first_vertex);
    batch.measured.resize(gathered.first_vertex);
    batch.part_starts.resize(gathered.first_part);
    return;
  }
  gathered.end_vertex = batch.x.size();
  gathered.end_part = batch.part_starts.size();
  ++objects_;
  if (batch.x.size() >= kBatchVertices || objects_ >= kBatchObjects) Rotate();
}

// Hands the full batch to the workers and writes the one they had.
void TransformedObjects::Rotate() {
  if (transforming_) {
    workers_.Wait();
    transforming_ = false;
    Write(batches_[1 - filling_], transforming_objects_);
  }
  Batch& full = batches_[filling_];
  workers_.Start(full.x.data(), full.y.data(), full.x.size());
  transforming_ = true;
  transforming_objects_ = objects_;
  filling_ = 1 - filling_;
  objects_ = 0;
  Batch& next = batches_[filling_];
  next.record_count = 0;
  next.x.clear();
  next.y.clear();
  next.measured.clear();
  next.part_starts.clear();
}

void TransformedObjects::Flush() {
  Rotate();
  workers_.Wait();
  transforming_ = false;
  Write(batches_[1 - filling_], transforming_objects_);
  transforming_objects_ = 0;
}

// Writes each object of a transformed batch in WGS 84 degrees, its size measured on
// them so the threshold keeps its meaning; one position without a place in WGS 84
// leaves its whole object out.
void TransformedObjects::Write(Batch& batch, std::size_t object_count) {
  for (std::size_t o = 0; o < object_count; ++o) {
    const GatheredObject& gathered = batch.objects[o];
    bool placed = true;
    for (std::size_t v = gathered.first_vertex; v < gathered.end_vertex; ++v) placed = placed && !std::isnan(batch.x[v]);
    if (!placed) {
      untransformed_.Add(gathered.number);
      continue;
    }
    if (gathered.first_vertex == gathered.end_vertex) continue;
    coords_.clear();
    object_.size.Reset();
    std::size_t part = gathered.first_part;
    char text[2 * kDegreesTextLimit + 4];
    for (std::size_t v = gathered.first_vertex; v < gathered.end_vertex; ++v) {
      if (part < gathered.end_part && batch.part_starts[part] == v) {
        coords_.pop_back();
        coords_ += "\r\nData0=";
        ++part;
      }
      if (options_.raise_large_objects && batch.measured[v]) object_.size.Add(batch.x[v], batch.y[v]);
      char* p = text;
      *p++ = '(';
      p += WriteDegreesText(batch.y[v], p);
      *p++ = ',';
      p += WriteDegreesText(batch.x[v], p);
      *p++ = ')';
      *p++ = ',';
      coords_.append(text, static_cast<std::size_t>(p - text));
    }
    object_.record = &batch.records[gathered.record];
    object_.text_object = gathered.text_object;
    object_.text_label = gathered.text_label;
    writer_.Write(gathered.kind, coords_);
    object_.text_object = false;
    object_.text_label.clear();
    object_.size.Reset();
  }
}

}  // namespace mirvex
