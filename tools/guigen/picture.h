// Pictures of the GUI drawn from a small text description: a canvas and a
// list of filled shapes painted in order, each anti-aliased by 4x4
// supersampling. Used by the picture generator and its tests; no OGRE here.
//
// Description format, one command per line, "//" starts a comment:
//   canvas W H #RRGGBB                  first command; size in pixels (1..1024), background
//   rect x0 y0 x1 y1 #RRGGBB            axis-aligned box, x0 <= x < x1, y0 <= y < y1
//   ellipse cx cy rx ry #RRGGBB         filled ellipse, radii > 0
//   polygon #RRGGBB x0 y0 x1 y1 ...     filled polygon (even-odd rule), 3..256 corners
//   line x0 y0 x1 y1 width #RRGGBB      thick segment with round caps, width > 0
//   ring cx cy outer inner a0 a1 #RRGGBB
//                                       band between two radii from angle a0 to a1
//                                       (degrees, clockwise from +x since y grows down)
// Coordinates are pixels from the top-left corner, y down; numbers may be
// fractional and lie within -10000..10000.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace guigen {

struct Colour {
  float r = 0, g = 0, b = 0; // 0..1
};

enum class ShapeKind { Rect, Ellipse, Polygon, Line, Ring };

struct Shape {
  ShapeKind kind = ShapeKind::Rect;
  Colour colour;
  // Rect: x0 y0 x1 y1; Ellipse: cx cy rx ry; Polygon: x0 y0 x1 y1 ...;
  // Line: x0 y0 x1 y1 width; Ring: cx cy outer inner a0 a1 (degrees).
  std::vector<double> values;
};

struct Picture {
  int width = 0;
  int height = 0;
  Colour background;
  std::vector<Shape> shapes;
};

// 8-bit RGB pixels, rows top to bottom, 3 bytes per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  const std::uint8_t *pixel(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

struct ParseResult {
  bool ok = false;
  Picture picture;
  std::string error; // "line N: ..." when not ok
};

ParseResult parsePicture(const std::string &text);

// True when the point (pixel coordinates) lies inside the shape.
bool shapeContains(const Shape &shape, double x, double y);

RgbImage rasterise(const Picture &picture);

} // namespace guigen
