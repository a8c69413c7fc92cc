// The MIF object grammar: which objects, parts, vertices and strings the reader hands
// on for each form of object, and which MID record each object takes.
#include "mapinfo/mif_object_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace mirvex {
namespace {

// Writes every event as a short text: "R[a]" a region with the record whose first
// field is a, "|" a new part, "x,y" a vertex (computed ones as "=x,y"), "'s'" a text
// string, "." the end of an object, "!" the end of one left out, "?" an unreadable line.
template <bool kValues>
struct Recorder {
  static constexpr bool kTakesValues = kValues;
  std::string events;
  void ObjectStarted(const MifObjectStart& start) {
    events += start.text ? "T" : start.shape == MifShape::kRegion ? "R" : start.shape == MifShape::kPolyline ? "L" : "P";
    events += "[" + (*start.record)[1] + "]";
  }
  void PartStarted() { events += "|"; }
  void Vertex(const MifVertex& vertex) {
    double x = 0, y = 0;
    vertex.Values(x, y);
    if (vertex.computed) events += "=";
    events += NumberText(x) + "," + NumberText(y) + " ";
  }
  void TextString(std::string_view text) { events += "'" + std::string(text) + "'"; }
  void ObjectFinished(bool usable) { events += usable ? ". " : "! "; }
  void LineUnreadable() { events += "? "; }
};

template <bool kValues>
std::string Read(const std::string& objects, const std::string& mid) {
  Recorder<kValues> recorder;
  MidReader reader;
  reader.OpenBytes(mid);
  MifObjectReader<Recorder<kValues>> objects_reader(recorder, reader, 1, false, 1);
  std::size_t start = 0;
  while (start < objects.size()) {
    std::size_t end = objects.find('\n', start);
    if (end == std::string::npos) end = objects.size();
    objects_reader.Line(std::string_view(objects).substr(start, end - start));
    start = end + 1;
  }
  objects_reader.End();
  return recorder.events;
}

TEST(MifObjectReader, HandsOnEachFormOfObjectWithItsRecord) {
  struct Case {
    const char* name;
    const char* objects;
    const char* events;
  };
  const Case cases[] = {
      {"region rings", "Region 2\n 2\n1 2\n3 4\n 1\n5 6\n    Pen (1,2,0)", "R[a]|1,2 3,4 |5,6 . "},
      {"polyline", "Pline 2\n1 2\n3 4", "L[a]1,2 3,4 . "},
      {"pline multiple", "Pline Multiple 2\n 1\n1 2\n 1\n3 4", "L[a]|1,2 |3,4 . "},
      {"line", "Line 1 2 3 4", "L[a]1,2 3,4 . "},
      {"point is computed", "Point 1.50 2", "P[a]=1.5,2 . "},
      {"box centre", "Ellipse 0 0 2 4\nRect 0 0 2 2", "P[a]=1,2 . P[b]=1,1 . "},
      {"text string and position", "Text\n\n  \"Река\"\n1 2 3 4\n5 6", "T[a]'Река'1,2 . "},
      {"text on the keyword line", "Text \"Река\"\n1 2 3 4", "T[a]'Река'1,2 . "},
      {"multipoint: a point per vertex", "Multipoint 2\n1 2\n3 4", "P[a]1,2 . P[a]3,4 . "},
      {"collection parts share a record", "Collection 2\nRegion 1\n 1\n1 2\nPline 1\n3 4\nPoint 5 6",
       "R[a]|1,2 . L[a]3,4 . P[b]=5,6 . "},
      {"none takes a record", "none\nPoint 1 2", "P[b]=1,2 . "},
      {"unusable number leaves the object out", "Pline 2\n1e 2\n3 4\nPoint 1 2", "L[a]3,4 ! P[b]=1,2 . "},
      {"unusable multipoint vertex leaves only its point out", "Multipoint 2\n1.2.3 2\n3 4",
       "P[a]! P[a]3,4 . "},
      {"second token no number", "Pline 2\n1 abc\n3 4", "L[a]? 3,4 . "},
      {"word inside an object", "Pline 2\nfoo bar\n3 4", "L[a]? 3,4 . "},
      {"short MID: empty record", "Point 1 2\nPoint 3 4\nPoint 5 6\nPoint 7 8", "P[a]=1,2 . P[b]=3,4 . P[c]=5,6 . P[]=7,8 . "},
  };
  // A consumer that takes values gets the same events as one that takes texts only.
  for (const Case& c : cases) {
    EXPECT_EQ(Read<false>(c.objects, "a\nb\nc\n"), c.events) << c.name;
    EXPECT_EQ(Read<true>(c.objects, "a\nb\nc\n"), c.events) << c.name;
  }
}

TEST(MifObjectReader, NamesTheFirstLineOfAnUnusableCoordinate) {
  Recorder<true> recorder;
  MidReader mid;
  mid.OpenBytes("a\nb\n");
  MifObjectReader<Recorder<true>> reader(recorder, mid, 1, false, 10);  // "Data" is line 10
  for (std::string_view line : {"Pline 2", "1 2", "1e999 2", "Point 1..2 3"}) reader.Line(line);
  reader.End();
  EXPECT_EQ(reader.objects_without_numbers(), 2u);
  EXPECT_EQ(reader.first_line_without_numbers(), 13);
}

}  // namespace
}  // namespace mirvex
