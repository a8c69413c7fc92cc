#include "ui/qt/map_painter.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/null_host.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/text.h"
#include "settings/program_settings.h"
#include "ui/crop_rectangle.h"
#include "ui/main_window.h"
#include "ui/qt/qt_binding.h"

namespace mirvex::ui::qt {

using mapview::DrawCommand;
using mapview::DrawList;
using mapview::DrawShape;
using mapview::DrawStyle;
using mapview::LegendEntry;
using mapview::LoadResult;
using mapview::MapView;
using mapview::Rgba;
using mapview::ScreenPoint;

namespace {

QColor Colour(const Rgba& rgba) { return QColor(rgba.r, rgba.g, rgba.b, rgba.a); }

QPen Pen(const DrawStyle& style) {
  QPen pen(Colour(style.stroke));
  pen.setWidthF(style.width);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::BevelJoin);
  return pen;
}

QBrush Brush(const DrawStyle& style) { return style.fill.a == 0 ? QBrush(Qt::NoBrush) : QBrush(Colour(style.fill)); }

QPointF At(const DrawList& list, std::uint32_t index) { return {list.points[index].x, list.points[index].y}; }

// A host for drawing without a window: messages go to the error output.
class PictureHost : public NullHostOf<WindowHost> {
 public:
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon) override {
    WriteText(stderr, title + ": " + text + "\n");
  }
  bool OpenDocument(const std::string&) override { return false; }
  void Quit() override {}
};

bool EndsWithIgnoringCase(const std::string& text, const char* suffix) {
  std::size_t n = std::strlen(suffix);
  return text.size() >= n && EqualsIgnoreAsciiCase(std::string_view(text).substr(text.size() - n), suffix);
}

// The MID beside a MIF: the same name with .mid, in the letter case the MIF's extension has.
std::string MidBeside(const std::string& mif) {
  std::string stem = mif.substr(0, mif.size() - 4);
  for (const char* extension : {".mid", ".MID", ".Mid"}) {
    if (FileExists(stem + extension)) return stem + extension;
  }
  return stem + (mif.back() == 'F' ? ".MID" : ".mid");
}

}  // namespace

// The legend's entries stand in columns of four.
constexpr int kLegendRows = 4;

int LegendHeight(const QFont& font) { return kLegendRows * (QFontMetrics(font).height() + 4) + 12; }

void PaintLegend(QPainter& painter, const QRect& band) {
  std::vector<LegendEntry> legend = MapView::Legend();
  QFontMetrics metrics(painter.font());
  int line = metrics.height() + 4;
  int top = band.top();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(QColor(160, 160, 160)));
  painter.setBrush(QColor(248, 248, 248));
  painter.drawRect(band.adjusted(0, 0, -1, -1));
  int column_width = 0;
  for (const LegendEntry& entry : legend) {
    column_width = std::max(column_width, metrics.horizontalAdvance(ToQt(entry.caption)) + 48);
  }
  for (std::size_t i = 0; i < legend.size(); ++i) {
    const LegendEntry& entry = legend[i];
    int x = band.left() + 8 + static_cast<int>(i / kLegendRows) * column_width;
    int y = top + 6 + static_cast<int>(i % kLegendRows) * line;
    QRect sample(x, y + 2, 24, line - 6);
    painter.setPen(Pen(entry.style));
    painter.setBrush(Brush(entry.style));
    switch (entry.shape) {
      case DrawShape::kPolyline:
        painter.drawLine(sample.left(), sample.center().y(), sample.right(), sample.center().y());
        break;
      case DrawShape::kPointSymbol:
        painter.setPen(Qt::NoPen);
        painter.drawRect(QRectF(sample.center().x() - entry.style.width / 2, sample.center().y() - entry.style.width / 2,
                                entry.style.width, entry.style.width));
        break;
      case DrawShape::kLabel:
        painter.setPen(Colour(entry.style.stroke));
        painter.drawText(sample, Qt::AlignCenter, QStringLiteral("Aa"));
        break;
      default:
        painter.drawRect(sample);
        break;
    }
    painter.setPen(Qt::black);
    painter.drawText(QPoint(sample.right() + 8, y + metrics.ascent() + 2), ToQt(entry.caption));
  }
}

void SetLabelFont(MapView& view, const QFont& font) {
  QString sample = ToQt(MapView::TypicalLabel());
  QFontMetricsF metrics(font);
  view.SetLabelFont(static_cast<float>(metrics.horizontalAdvance(sample) / sample.size()),
                    static_cast<float>(metrics.height()));
  view.SetLabelMeasure([metrics](std::string_view text) {
    return static_cast<float>(metrics.horizontalAdvance(ToQt(std::string(text))));
  });
}

void PaintMap(QPainter& painter, const DrawList& list) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  // The painter's pen and brush change only where the style does: setting them is a
  // large part of painting a small shape.
  bool pen_set = false, brush_set = false;
  Rgba pen_colour, brush_colour;
  float pen_width = 0;
  auto use_pen = [&](const DrawStyle& style) {
    if (pen_set && pen_colour == style.stroke && pen_width == style.width) return;
    painter.setPen(Pen(style));
    pen_set = true;
    pen_colour = style.stroke;
    pen_width = style.width;
  };
  auto use_no_pen = [&]() {
    if (pen_set && pen_colour.a == 0) return;
    painter.setPen(Qt::NoPen);
    pen_set = true;
    pen_colour = {0, 0, 0, 0};
  };
  auto use_fill = [&](const Rgba& colour) {
    if (brush_set && brush_colour == colour) return;
    painter.setBrush(colour.a == 0 ? QBrush(Qt::NoBrush) : QBrush(Colour(colour)));
    brush_set = true;
    brush_colour = colour;
  };
  auto use_brush = [&](const DrawStyle& style) { use_fill(style.fill); };
  std::vector<QPointF> points;
  std::vector<QRect> outer, inner;
  const std::vector<DrawCommand>& commands = list.commands;
  for (std::size_t c = 0; c < commands.size(); ++c) {
    const DrawCommand& command = commands[c];
    switch (command.shape) {
      case DrawShape::kPolygon: {
        use_pen(command.style);
        use_brush(command.style);
        if (command.ring_count == 1) {
          points.resize(command.point_count);
          for (std::uint32_t i = 0; i < command.point_count; ++i) points[i] = At(list, command.first_point + i);
          painter.drawPolygon(points.data(), static_cast<int>(points.size()), Qt::OddEvenFill);
          break;
        }
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        std::uint32_t point = command.first_point;
        for (std::uint32_t ring = 0; ring < command.ring_count; ++ring) {
          std::uint32_t count = list.ring_sizes[command.first_ring + ring];
          if (count == 0) continue;
          path.moveTo(At(list, point));
          for (std::uint32_t i = 1; i < count; ++i) path.lineTo(At(list, point + i));
          path.closeSubpath();
          point += count;
        }
        painter.drawPath(path);
        break;
      }
      case DrawShape::kPolyline: {
        use_pen(command.style);
        points.resize(command.point_count);
        for (std::uint32_t i = 0; i < command.point_count; ++i) points[i] = At(list, command.first_point + i);
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        break;
      }
      case DrawShape::kPointSymbol: {
        // A square `width` across in the fill, outlined by a pixel-wide pen of the
        // stroke: a square a pixel wider in the stroke's colour under one a pixel
        // narrower in the fill's, on whole pixels (a symbol of a few pixels gains nothing
        // from smoothing, and whole-pixel squares paint many times faster). The symbols
        // that follow in the same style are painted with it, two calls for them all.
        const DrawStyle& style = command.style;
        outer.clear();
        inner.clear();
        const int outer_side = std::max(1, static_cast<int>(std::lround(style.width + (style.stroke.a != 0 ? 1 : 0))));
        const bool has_inner = style.fill.a != 0 && style.stroke.a != 0 && !(style.fill == style.stroke);
        const int inner_side = std::max(1, static_cast<int>(std::lround(style.width - 1)));
        const Rgba outer_colour = style.stroke.a != 0 ? style.stroke : style.fill;
        std::size_t last = c;
        for (; last < commands.size(); ++last) {
          const DrawCommand& symbol = commands[last];
          if (symbol.shape != DrawShape::kPointSymbol || !(symbol.style == style)) break;
          const ScreenPoint& centre = list.points[symbol.first_point];
          // Far beyond the screen (or no number) there is nothing to paint.
          if (!(std::fabs(centre.x) < 1e6f && std::fabs(centre.y) < 1e6f)) continue;
          auto square = [&](int side) {
            return QRect(static_cast<int>(std::lround(centre.x - side / 2.0)),
                         static_cast<int>(std::lround(centre.y - side / 2.0)), side, side);
          };
          outer.push_back(square(outer_side));
          if (has_inner) inner.push_back(square(inner_side));
        }
        c = last - 1;
        use_no_pen();
        painter.setRenderHint(QPainter::Antialiasing, false);
        if (!outer.empty() && outer_colour.a != 0) {
          use_fill(outer_colour);
          painter.drawRects(outer.data(), static_cast<int>(outer.size()));
        }
        if (!inner.empty()) {
          use_fill(style.fill);
          painter.drawRects(inner.data(), static_cast<int>(inner.size()));
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        break;
      }
      case DrawShape::kLabel:
        painter.setPen(Colour(command.style.stroke));
        pen_set = false;
        painter.drawText(At(list, command.first_point), ToQt(command.text));
        break;
      case DrawShape::kRectangle: {
        use_pen(command.style);
        use_brush(command.style);
        painter.drawRect(QRectF(At(list, command.first_point), At(list, command.first_point + 1)).normalized());
        break;
      }
    }
  }
}

bool DrawMapPicture(const PictureRequest& request, QImage& picture, std::vector<std::string>& notes) {
  PictureHost host;
  ProgramSettings settings = ReadProgramSettings(request.program_folder);
  MapView view;
  LoadResult result;
  if (EndsWithIgnoringCase(request.input, ".mif")) {
    result = view.LoadMif(request.input, MidBeside(request.input), settings.conversion_options(), settings.prefix(),
                          host);
  } else {
    result = view.LoadTextMap(request.input, host);
  }
  notes = result.notes;
  if (request.crop) {
    CropRectangle(view).SetTexts(
        {settings.Value("Koord2"), settings.Value("Koord3"), settings.Value("Koord4"), settings.Value("Koord5")});
  }
  picture = QImage(request.size, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  // The map above, the legend in a band of its own below, so it hides nothing.
  int map_height = std::max(request.size.height() - LegendHeight(painter.font()), 16);
  view.SetViewportSize(request.size.width(), map_height);
  view.Fit();
  SetLabelFont(view, painter.font());
  painter.setClipRect(0, 0, request.size.width(), map_height);
  PaintMap(painter, view.Draw());
  painter.setClipping(false);
  PaintLegend(painter, QRect(0, map_height, request.size.width(), request.size.height() - map_height));
  return !view.empty();
}

int RunDraw(int argc, char** argv) {
  std::vector<ProgramArgument> arguments = ProgramArguments(argc, argv);
  PictureRequest request;
  std::string output;
  std::vector<std::string> positional;
  auto usage = [](const std::string& why) {
    WriteUtf8(stderr, "mirvex-window --draw: " + why +
                          "\nmirvex-window --draw INPUT OUT.png [--size WxH] [--crop] [--home DIR]\n");
    return 2;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i].text;
    if (!arguments[i].fits) return usage("в аргументе есть символы вне кодировки cp1251: " + arguments[i].typed);
    if (argument == "--crop") {
      request.crop = true;
    } else if (argument == "--size" || argument == "--home") {
      if (i + 1 >= arguments.size()) return usage("после " + argument + " нужно значение");
      std::string value = arguments[++i].text;
      if (argument == "--home") {
        request.program_folder = value;
        continue;
      }
      int width = 0, height = 0;
      if (std::sscanf(value.c_str(), "%dx%d", &width, &height) != 2 || width < 16 || height < 16 || width > 16384 ||
          height > 16384) {
        return usage("--size ждёт ШИРИНАxВЫСОТА (от 16 до 16384 точек), получено: " + arguments[i].typed);
      }
      request.size = QSize(width, height);
    } else if (argument.size() > 1 && argument[0] == '-') {
      return usage("неизвестный параметр: " + arguments[i].typed);
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.size() != 2) return usage("нужны два пути: карта и файл рисунка");
  request.input = positional[0];
  output = positional[1];
  if (request.program_folder.empty()) request.program_folder = ProgramFolder();
  // No window is shown: the offscreen platform needs no display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  QImage picture;
  std::vector<std::string> notes;
  bool drawn = DrawMapPicture(request, picture, notes);
  for (const std::string& note : notes) WriteText(stderr, note + "\n");
  if (!drawn) {
    WriteText(stderr, Ru("Нечего рисовать: в карте не прочитано ни одного объекта.\n"));
    return 1;
  }
  // The picture replaces an earlier one only once it is written whole, as every result.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ResultFile file;
  bool written = picture.save(&buffer, "PNG") && file.Open(output);
  if (written) {
    file.Write(std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    written = file.Commit();
  }
  if (!written) {
    WriteText(stderr, Ru("Не удалось записать рисунок: ") + output + "\n");
    return 1;
  }
  return 0;
}

}  // namespace mirvex::ui::qt
