// The map view on the screen and in pictures: paints the view model's drawing commands
// with QPainter, and draws a map to a picture without a window (mirvex-window --draw).
#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>
#include <string>
#include <vector>

#include "mapview/map_view.h"

namespace mirvex::ui::qt {

// Tells the view how large the labels of this font are, so it places them where they fit.
void SetLabelFont(mapview::MapView& view, const QFont& font);

// Paints the commands in their order; labels in the painter's font.
void PaintMap(QPainter& painter, const mapview::DrawList& list);

// The legend of the colours, in a band `LegendHeight` high for the font.
int LegendHeight(const QFont& font);
void PaintLegend(QPainter& painter, const QRect& band);

// What to draw: a MIF (its MID beside it, same name) or a Garmin text map, with the
// settings of the program folder (the dictionary colours a MIF's objects; `crop` adds
// the rectangle of Koord2..Koord5).
struct PictureRequest {
  std::string input;           // cp1251
  std::string program_folder;  // cp1251
  QSize size{1280, 800};
  bool crop = false;
};

// The picture on white, with the legend in a band under the map. `notes` gets what
// could not be read (cp1251); false when nothing could be read at all.
bool DrawMapPicture(const PictureRequest& request, QImage& picture, std::vector<std::string>& notes);

// mirvex-window --draw INPUT OUT.png [--size WxH] [--crop] [--home DIR]: returns the
// exit status (0 drawn, 1 not, 2 a wrong command line).
int RunDraw(int argc, char** argv);

}  // namespace mirvex::ui::qt
