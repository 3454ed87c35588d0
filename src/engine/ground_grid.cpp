#include "engine/ground_grid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace engine {

namespace {

constexpr uint32_t kTag = 0x2E6D3364u;     // "d3m."
constexpr int32_t kHeightLimit = 4194303;  // milli-units whose << 9 fits a word
constexpr uint32_t kCellCount = kGroundCells * kGroundCells;

uint32_t word_at(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void put_word(std::string& s, size_t at, uint32_t v) { std::memcpy(s.data() + at, &v, 4); }

// Floor of the cell coordinate of milli-unit u on an axis starting at lo.
int64_t cell_of(double u, double lo, int32_t d) { return static_cast<int64_t>(std::floor((u - lo) * 64.0 / d)); }

// Twice the signed area of the (x, z) projection.
double projected_area(const int32_t* t) {
  return (double(t[3]) - t[0]) * (double(t[8]) - t[2]) - (double(t[6]) - t[0]) * (double(t[5]) - t[2]);
}

// Does the projection of t touch the rectangle [x0, x1] x [z0, z1]? Of the
// separating axes, the rectangle's own two are settled by the caller's cell
// range (inside the triangle's box); the three edge normals are tested here.
bool touches(const int32_t* t, double x0, double x1, double z0, double z1) {
  const double rx[4] = {x0, x1, x1, x0}, rz[4] = {z0, z0, z1, z1};
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    const double nx = -(double(t[3 * j + 2]) - t[3 * i + 2]), nz = double(t[3 * j]) - t[3 * i];
    const double own = nx * t[3 * i] + nz * t[3 * i + 2];
    const double third = nx * t[3 * k] + nz * t[3 * k + 2];
    double lo = rx[0] * nx + rz[0] * nz, hi = lo;
    for (int c = 1; c < 4; ++c) {
      const double p = rx[c] * nx + rz[c] * nz;
      lo = std::min(lo, p);
      hi = std::max(hi, p);
    }
    // The triangle spans [own, third] (or the reverse) on this axis.
    if (hi < std::min(own, third) || lo > std::max(own, third)) return false;
  }
  return true;
}

// The height of t at (px, pz) in position units when its projection holds
// the point (edges included).
bool height_at(const int32_t* t, double px, double pz, int32_t& height) {
  const double area = projected_area(t);
  if (area == 0) return false;
  double e[3];
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    e[i] = (double(t[3 * j]) - t[3 * i]) * (pz - t[3 * i + 2]) -
           (double(t[3 * j + 2]) - t[3 * i + 2]) * (px - t[3 * i]);
  }
  if (area > 0 ? (e[0] < 0 || e[1] < 0 || e[2] < 0) : (e[0] > 0 || e[1] > 0 || e[2] > 0)) return false;
  float milli;
  if (t[1] == t[4] && t[4] == t[7]) {
    milli = static_cast<float>(t[1]);
  } else {
    // The plane through the three vertices, in single precision.
    const float ax = float(t[3]) - float(t[0]), ay = float(t[4]) - float(t[1]), az = float(t[5]) - float(t[2]);
    const float bx = float(t[6]) - float(t[0]), by = float(t[7]) - float(t[1]), bz = float(t[8]) - float(t[2]);
    const float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
    if (ny == 0) return false;
    milli = float(t[1]) - (nx * (float(px) - float(t[0])) + nz * (float(pz) - float(t[2]))) / ny;
    if (!std::isfinite(milli)) return false;
  }
  const float clamped = std::clamp(milli, float(-kHeightLimit), float(kHeightLimit));
  height = static_cast<int32_t>(std::lround(clamped)) * 512;
  return true;
}

// Calls f(cell) for every cell the (x, z) projection of t touches, the
// cells widened by one milli-unit on each side.
template <class F>
void for_each_cell(const int32_t* t, int32_t d, int32_t cx, int32_t cz, F f) {
  if (projected_area(t) == 0) return;
  const double lo_x = double(cx) - d, lo_z = double(cz) - d, step = d / 64.0;
  const double min_x = std::min({t[0], t[3], t[6]}), max_x = std::max({t[0], t[3], t[6]});
  const double min_z = std::min({t[2], t[5], t[8]}), max_z = std::max({t[2], t[5], t[8]});
  const int64_t c0 = std::max<int64_t>(0, cell_of(min_x - 1, lo_x, d));
  const int64_t c1 = std::min<int64_t>(kGroundCells - 1, cell_of(max_x + 1, lo_x, d));
  const int64_t r0 = std::max<int64_t>(0, cell_of(min_z - 1, lo_z, d));
  const int64_t r1 = std::min<int64_t>(kGroundCells - 1, cell_of(max_z + 1, lo_z, d));
  for (int64_t r = r0; r <= r1; ++r)
    for (int64_t c = c0; c <= c1; ++c) {
      const double x0 = lo_x + c * step - 1, x1 = lo_x + (c + 1) * step + 1;
      const double z0 = lo_z + r * step - 1, z1 = lo_z + (r + 1) * step + 1;
      if (touches(t, x0, x1, z0, z1)) f(static_cast<uint32_t>(r * kGroundCells + c));
    }
}

}  // namespace

int32_t ground_half_width(std::span<const int32_t> triangles, int32_t cx, int32_t cz) {
  int64_t d = 1;
  for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
    d = std::max(d, std::abs(int64_t(triangles[i]) - cx));
    d = std::max(d, std::abs(int64_t(triangles[i + 2]) - cz));
  }
  return static_cast<int32_t>(std::min<int64_t>(d, kGroundCoordinateLimit));
}

bool build_ground_block(std::span<const int32_t> triangles, int32_t d, int32_t cx, int32_t cz, uint64_t max_bytes,
                        std::string& out) {
  out.clear();
  if (d < 1) return false;
  const size_t count = triangles.size() / 9;
  const uint64_t triangle_bytes = uint64_t(count) * kGroundTriangleBytes;
  uint64_t bytes = triangle_bytes + kGroundGridBytes;
  if (bytes > max_bytes || bytes > 0x7FFFFFFFu) return false;

  // Two walks over the triangles: the first counts each cell's list (and
  // stops as soon as the block would be too large), the second fills them
  // in triangle order.
  std::vector<uint32_t> next(kCellCount, 0);
  bool fits = true;
  for (size_t i = 0; i < count && fits; ++i)
    for_each_cell(triangles.data() + 9 * i, d, cx, cz, [&](uint32_t cell) {
      bytes += next[cell]++ == 0 ? 8 : 4;
      fits = fits && bytes <= max_bytes && bytes <= 0x7FFFFFFFu;
    });
  if (!fits) return false;

  out.assign(static_cast<size_t>(bytes), '\0');
  if (triangle_bytes) std::memcpy(out.data(), triangles.data(), static_cast<size_t>(triangle_bytes));
  uint32_t at = static_cast<uint32_t>(triangle_bytes) + kGroundGridBytes;
  for (uint32_t cell = 0; cell < kCellCount; ++cell) {
    const uint32_t n = next[cell];
    if (n == 0) continue;
    put_word(out, triangle_bytes + 4 * cell, at);
    put_word(out, at, n);
    next[cell] = at + 4;  // where the cell's next entry goes
    at += 4 + 4 * n;
  }
  for (size_t i = 0; i < count; ++i)
    for_each_cell(triangles.data() + 9 * i, d, cx, cz, [&](uint32_t cell) {
      put_word(out, next[cell], static_cast<uint32_t>(i * kGroundTriangleBytes));
      next[cell] += 4;
    });
  return true;
}

bool encode_ground_cache(std::span<const int32_t> triangles, int32_t stamp, int32_t key, uint64_t max_bytes,
                         std::string& out) {
  out.clear();
  if (max_bytes < kGroundRecordBytes) return false;
  const int32_t d = ground_half_width(triangles, 0, 0);
  std::string block;
  if (!build_ground_block(triangles, d, 0, 0, max_bytes - kGroundRecordBytes, block)) return false;
  const uint32_t triangle_bytes = static_cast<uint32_t>(triangles.size() / 9 * kGroundTriangleBytes);
  out.assign(kGroundRecordBytes, '\0');
  put_word(out, 0, kTag);
  put_word(out, 4, kGroundRecordBytes);
  put_word(out, 8, kGroundRecordBytes + triangle_bytes);
  put_word(out, 12, static_cast<uint32_t>(2 * d));
  put_word(out, 16, static_cast<uint32_t>(stamp));
  put_word(out, 20, static_cast<uint32_t>(key));
  out += block;
  return true;
}

bool check_ground_block(const GroundView& v, std::string& why) {
  if (!v.block || v.d < 1 || v.triangle_bytes % kGroundTriangleBytes != 0 ||
      uint64_t(v.triangle_bytes) + kGroundGridBytes > v.block_bytes) {
    why = "the grid does not fit";
    return false;
  }
  const uint8_t* grid = v.block + v.triangle_bytes;
  const uint32_t lists_from = v.triangle_bytes + kGroundGridBytes;
  std::vector<uint32_t> starts;
  starts.reserve(kCellCount);
  for (uint32_t cell = 0; cell < kCellCount; ++cell) {
    const uint32_t o = word_at(grid + 4 * cell);
    if (o == 0) continue;
    if (o % 4 != 0 || o < lists_from || uint64_t(o) + 4 > v.block_bytes) {
      why = "a cell list lies outside the file";
      return false;
    }
    starts.push_back(o);
  }
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  for (size_t k = 0; k < starts.size(); ++k) {
    const uint32_t o = starts[k];
    const uint64_t n = word_at(v.block + o);
    const uint64_t end = uint64_t(o) + 4 + 4 * n;
    if (end > v.block_bytes || (k + 1 < starts.size() && end > starts[k + 1])) {
      why = "a cell list runs past its end";
      return false;
    }
    for (uint64_t i = 0; i < n; ++i) {
      const uint32_t t = word_at(v.block + o + 4 + 4 * i);
      if (t % kGroundTriangleBytes != 0 || uint64_t(t) + kGroundTriangleBytes > v.triangle_bytes) {
        why = "a cell list names no triangle";
        return false;
      }
    }
  }
  return true;
}

bool read_ground_cache(std::span<const uint8_t> file, GroundCache& out, std::string& why) {
  out = GroundCache{};
  if (file.size() < kGroundRecordBytes) {
    why = "shorter than its record";
    return false;
  }
  std::memcpy(out.record, file.data(), kGroundRecordBytes);
  const uint32_t start = static_cast<uint32_t>(out.record[1]), end = static_cast<uint32_t>(out.record[2]);
  if (static_cast<uint32_t>(out.record[0]) != kTag) {
    why = "not a ground map";
    return false;
  }
  if (end < start || (end - start) % kGroundTriangleBytes != 0 ||
      uint64_t(kGroundRecordBytes) + (end - start) + kGroundGridBytes > file.size() || file.size() > 0xFFFFFFFFu) {
    why = "truncated or damaged";
    return false;
  }
  if (out.record[3] < 2) {
    why = "its grid has no width";
    return false;
  }
  out.view = {file.data() + kGroundRecordBytes,
              end - start,
              static_cast<uint32_t>(file.size() - kGroundRecordBytes),
              out.record[3] / 2,
              0,
              0};
  return check_ground_block(out.view, why);
}

GroundFound ground_query(const GroundView& g, int32_t x, int64_t radius, int32_t y, int32_t z) {
  GroundFound none;
  if (!g.block || g.d < 1) return none;
  const int64_t ux = int64_t(x >> 9) - g.cx + g.d, uz = int64_t(z >> 9) - g.cz + g.d;
  if (ux < 0 || uz < 0) return none;
  const int64_t col = ux * 64 / g.d, row = uz * 64 / g.d;
  if (col >= kGroundCells || row >= kGroundCells) return none;
  const uint32_t list = word_at(g.block + g.triangle_bytes + 4 * (row * kGroundCells + col));
  if (list == 0) return none;
  const uint32_t n = word_at(g.block + list);
  const double px = x / 512.0, pz = z / 512.0;
  const int64_t top = int64_t(y) + radius;
  int hits = 0;
  bool one_height = true;  // every triangle found gives the same height: one surface
  GroundFound first, best;
  int64_t best_distance = INT64_MAX;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t offset = word_at(g.block + list + 4 + 4 * i);
    int32_t t[9];
    std::memcpy(t, g.block + offset, sizeof t);
    int32_t h;
    if (!height_at(t, px, pz, h)) continue;
    if (++hits == 1) first = {h, static_cast<int32_t>(offset)};
    one_height = one_height && h == first.height;
    if (h > top) continue;
    const int64_t distance = h > y ? int64_t(h) - y : top - h;
    if (distance < best_distance) {
      best_distance = distance;
      best = {h, static_cast<int32_t>(offset)};
    }
  }
  return one_height ? first : best;
}

void ground_triangle(const GroundView& view, int32_t offset, int32_t out[9]) {
  std::memcpy(out, view.block + offset, 9 * sizeof(int32_t));
}

}  // namespace engine
