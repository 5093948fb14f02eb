#include "picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace guigen {
namespace {

constexpr int kMaxCanvas = 1024;
constexpr double kMaxCoordinate = 10000.0;
constexpr size_t kMaxPolygonCorners = 256;
constexpr size_t kMaxShapes = 4096;
constexpr int kSamplesPerAxis = 4; // 16 samples per pixel
constexpr double kPi = 3.14159265358979323846;

struct Box {
  double x0, y0, x1, y1;
};

std::vector<std::string> splitWords(const std::string &line) {
  std::string code = line.substr(0, line.find("//"));
  std::istringstream in(code);
  std::vector<std::string> words;
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

bool parseNumber(const std::string &word, double &out) {
  char *end = nullptr;
  double value = std::strtod(word.c_str(), &end);
  if (word.empty() || end != word.c_str() + word.size() || !std::isfinite(value))
    return false;
  if (std::fabs(value) > kMaxCoordinate)
    return false;
  out = value;
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool parseColour(const std::string &word, Colour &out) {
  if (word.size() != 7 || word[0] != '#')
    return false;
  float channels[3];
  for (int i = 0; i < 3; ++i) {
    int hi = hexDigit(word[1 + 2 * i]);
    int lo = hexDigit(word[2 + 2 * i]);
    if (hi < 0 || lo < 0)
      return false;
    channels[i] = static_cast<float>(hi * 16 + lo) / 255.0f;
  }
  out = {channels[0], channels[1], channels[2]};
  return true;
}

// Parses `count` numbers starting at words[first] into values; false on a bad one.
bool parseNumbers(const std::vector<std::string> &words, size_t first, size_t count,
                  std::vector<double> &values, std::string &bad) {
  for (size_t i = first; i < first + count; ++i) {
    double v = 0;
    if (!parseNumber(words[i], v)) {
      bad = words[i];
      return false;
    }
    values.push_back(v);
  }
  return true;
}

struct ShapeSyntax {
  const char *name;
  ShapeKind kind;
  size_t numbers; // numbers before the colour; 0 for the polygon
  const char *usage;
};

const ShapeSyntax kShapes[] = {
    {"rect", ShapeKind::Rect, 4, "rect x0 y0 x1 y1 #RRGGBB"},
    {"ellipse", ShapeKind::Ellipse, 4, "ellipse cx cy rx ry #RRGGBB"},
    {"line", ShapeKind::Line, 5, "line x0 y0 x1 y1 width #RRGGBB"},
    {"ring", ShapeKind::Ring, 6, "ring cx cy outer inner a0 a1 #RRGGBB"},
    {"polygon", ShapeKind::Polygon, 0, "polygon #RRGGBB x0 y0 x1 y1 x2 y2 ..."},
};

std::string checkShapeValues(const Shape &shape) {
  const std::vector<double> &v = shape.values;
  switch (shape.kind) {
  case ShapeKind::Rect:
    return (v[0] < v[2] && v[1] < v[3]) ? "" : "rect needs x0 < x1 and y0 < y1";
  case ShapeKind::Ellipse:
    return (v[2] > 0 && v[3] > 0) ? "" : "ellipse radii must be positive";
  case ShapeKind::Line:
    return v[4] > 0 ? "" : "line width must be positive";
  case ShapeKind::Ring:
    return (v[3] >= 0 && v[2] > v[3]) ? "" : "ring needs outer > inner >= 0";
  case ShapeKind::Polygon:
    return "";
  }
  return "";
}

// Parses one shape command; returns an error text or "" on success.
std::string parseShape(const ShapeSyntax &syntax, const std::vector<std::string> &words, Shape &shape) {
  shape.kind = syntax.kind;
  std::string bad;
  if (syntax.kind == ShapeKind::Polygon) {
    size_t coordinates = words.size() - 2;
    if (words.size() < 2 + 6 || coordinates % 2 != 0)
      return std::string("expected '") + syntax.usage + "' with at least 3 corners";
    if (coordinates / 2 > kMaxPolygonCorners)
      return "polygon has more than 256 corners";
    if (!parseColour(words[1], shape.colour))
      return "bad colour '" + words[1] + "' (expected #RRGGBB)";
    if (!parseNumbers(words, 2, coordinates, shape.values, bad))
      return "bad number '" + bad + "'";
    return "";
  }
  if (words.size() != syntax.numbers + 2)
    return std::string("expected '") + syntax.usage + "'";
  if (!parseNumbers(words, 1, syntax.numbers, shape.values, bad))
    return "bad number '" + bad + "'";
  if (!parseColour(words.back(), shape.colour))
    return "bad colour '" + words.back() + "' (expected #RRGGBB)";
  return checkShapeValues(shape);
}

std::string parseCanvas(const std::vector<std::string> &words, Picture &picture) {
  if (words.size() != 4)
    return "expected 'canvas W H #RRGGBB'";
  double w = 0, h = 0;
  if (!parseNumber(words[1], w) || !parseNumber(words[2], h) || w != std::floor(w) || h != std::floor(h) ||
      w < 1 || h < 1 || w > kMaxCanvas || h > kMaxCanvas)
    return "canvas size must be whole numbers of pixels in 1..1024";
  if (!parseColour(words[3], picture.background))
    return "bad colour '" + words[3] + "' (expected #RRGGBB)";
  picture.width = static_cast<int>(w);
  picture.height = static_cast<int>(h);
  return "";
}

std::string parseLine(const std::vector<std::string> &words, Picture &picture) {
  const std::string &command = words[0];
  bool haveCanvas = picture.width > 0;
  if (command == "canvas")
    return haveCanvas ? "'canvas' given twice" : parseCanvas(words, picture);
  for (const ShapeSyntax &syntax : kShapes) {
    if (command != syntax.name)
      continue;
    if (!haveCanvas)
      return "'canvas' must come before any shape";
    if (picture.shapes.size() >= kMaxShapes)
      return "more than 4096 shapes";
    Shape shape;
    std::string error = parseShape(syntax, words, shape);
    if (error.empty())
      picture.shapes.push_back(std::move(shape));
    return error;
  }
  return "unknown command '" + command + "'";
}

double distanceToSegment(double px, double py, double x0, double y0, double x1, double y1) {
  double dx = x1 - x0, dy = y1 - y0;
  double lengthSquared = dx * dx + dy * dy;
  double t = lengthSquared > 0 ? ((px - x0) * dx + (py - y0) * dy) / lengthSquared : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

bool polygonContains(const std::vector<double> &v, double x, double y) {
  bool inside = false;
  size_t corners = v.size() / 2;
  for (size_t i = 0, j = corners - 1; i < corners; j = i++) {
    double xi = v[2 * i], yi = v[2 * i + 1], xj = v[2 * j], yj = v[2 * j + 1];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
      inside = !inside;
  }
  return inside;
}

// Angle of (dx, dy) in degrees, 0..360, clockwise from +x in image coordinates.
double angleDegrees(double dx, double dy) {
  double a = std::atan2(dy, dx) * 180.0 / kPi;
  return a < 0 ? a + 360.0 : a;
}

bool ringContains(const std::vector<double> &v, double x, double y) {
  double r = std::hypot(x - v[0], y - v[1]);
  if (r > v[2] || r < v[3])
    return false;
  double span = v[5] - v[4];
  if (span >= 360.0)
    return true;
  double from = std::fmod(v[4], 360.0);
  if (from < 0)
    from += 360.0;
  double offset = angleDegrees(x - v[0], y - v[1]) - from;
  if (offset < 0)
    offset += 360.0;
  return offset <= span;
}

Box shapeBounds(const Shape &shape) {
  const std::vector<double> &v = shape.values;
  switch (shape.kind) {
  case ShapeKind::Rect:
    return {v[0], v[1], v[2], v[3]};
  case ShapeKind::Ellipse:
    return {v[0] - v[2], v[1] - v[3], v[0] + v[2], v[1] + v[3]};
  case ShapeKind::Line: {
    double h = v[4] / 2;
    return {std::min(v[0], v[2]) - h, std::min(v[1], v[3]) - h, std::max(v[0], v[2]) + h,
            std::max(v[1], v[3]) + h};
  }
  case ShapeKind::Ring:
    return {v[0] - v[2], v[1] - v[2], v[0] + v[2], v[1] + v[2]};
  case ShapeKind::Polygon: {
    Box box{v[0], v[1], v[0], v[1]};
    for (size_t i = 0; i + 1 < v.size(); i += 2) {
      box.x0 = std::min(box.x0, v[i]);
      box.x1 = std::max(box.x1, v[i]);
      box.y0 = std::min(box.y0, v[i + 1]);
      box.y1 = std::max(box.y1, v[i + 1]);
    }
    return box;
  }
  }
  return {0, 0, 0, 0};
}

// Fraction of the pixel's samples that the shape covers, 0..1.
float coverage(const Shape &shape, int px, int py) {
  int inside = 0;
  for (int j = 0; j < kSamplesPerAxis; ++j)
    for (int i = 0; i < kSamplesPerAxis; ++i)
      if (shapeContains(shape, px + (i + 0.5) / kSamplesPerAxis, py + (j + 0.5) / kSamplesPerAxis))
        ++inside;
  return static_cast<float>(inside) / (kSamplesPerAxis * kSamplesPerAxis);
}

std::uint8_t toByte(float channel) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
}

} // namespace

ParseResult parsePicture(const std::string &text) {
  ParseResult result;
  std::istringstream in(text);
  int lineNumber = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNumber;
    std::vector<std::string> words = splitWords(line);
    if (words.empty())
      continue;
    std::string error = parseLine(words, result.picture);
    if (!error.empty()) {
      result.error = "line " + std::to_string(lineNumber) + ": " + error;
      return result;
    }
  }
  if (result.picture.width == 0) {
    result.error = "no 'canvas' line";
    return result;
  }
  result.ok = true;
  return result;
}

bool shapeContains(const Shape &shape, double x, double y) {
  const std::vector<double> &v = shape.values;
  switch (shape.kind) {
  case ShapeKind::Rect:
    return x >= v[0] && x < v[2] && y >= v[1] && y < v[3];
  case ShapeKind::Ellipse: {
    double nx = (x - v[0]) / v[2], ny = (y - v[1]) / v[3];
    return nx * nx + ny * ny <= 1.0;
  }
  case ShapeKind::Polygon:
    return polygonContains(v, x, y);
  case ShapeKind::Line:
    return distanceToSegment(x, y, v[0], v[1], v[2], v[3]) <= v[4] / 2;
  case ShapeKind::Ring:
    return ringContains(v, x, y);
  }
  return false;
}

RgbImage rasterise(const Picture &picture) {
  const int w = picture.width, h = picture.height;
  std::vector<Colour> canvas(static_cast<size_t>(w) * h, picture.background);
  for (const Shape &shape : picture.shapes) {
    Box box = shapeBounds(shape);
    int xBegin = std::max(0, static_cast<int>(std::floor(box.x0)));
    int yBegin = std::max(0, static_cast<int>(std::floor(box.y0)));
    int xEnd = std::min(w, static_cast<int>(std::ceil(box.x1)) + 1);
    int yEnd = std::min(h, static_cast<int>(std::ceil(box.y1)) + 1);
    for (int y = yBegin; y < yEnd; ++y)
      for (int x = xBegin; x < xEnd; ++x) {
        float c = coverage(shape, x, y);
        if (c == 0)
          continue;
        Colour &p = canvas[static_cast<size_t>(y) * w + x];
        p.r += (shape.colour.r - p.r) * c;
        p.g += (shape.colour.g - p.g) * c;
        p.b += (shape.colour.b - p.b) * c;
      }
  }
  RgbImage image;
  image.width = w;
  image.height = h;
  image.rgb.reserve(canvas.size() * 3);
  for (const Colour &p : canvas) {
    image.rgb.push_back(toByte(p.r));
    image.rgb.push_back(toByte(p.g));
    image.rgb.push_back(toByte(p.b));
  }
  return image;
}

} // namespace guigen
