#include "core/angles.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"

namespace core {

namespace {

constexpr double kPi = 3.14159265358979323846;

void put32(std::string& out, size_t offset, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

int32_t read32(const uint8_t* p) {
  uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return static_cast<int32_t>(u);
}

const int8_t* sinus() { return state().pools.sinus.as<int8_t>(); }
const uint8_t* sinusbig() { return state().pools.sinusbig.bytes(); }
const uint8_t* atan_table() { return state().pools.atan.bytes(); }

// Rounds to nearest, ties to even; values outside 32 bits (and NaN) give
// the lowest integer.
int32_t round_512(double v) {
  if (!(v >= -2147483648.0 && v <= 2147483647.0)) return std::numeric_limits<int32_t>::min();
  double r = std::nearbyint(v);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

double radians(int32_t a) { return normalise_angle(a) / static_cast<double>(kRadian); }

}  // namespace

std::string make_sinus_table() {
  std::string out(115200, '\0');
  for (int r = 0; r < 450; ++r)
    for (int j = 0; j < 256; ++j) {
      double v = std::round(127.0 * std::sin((r + j / 256.0) * kPi / 180.0));
      out[static_cast<size_t>(r * 256 + j)] = static_cast<char>(static_cast<int8_t>(v));
    }
  return out;
}

std::string make_sinusbig_table() {
  std::string out(14400, '\0');
  for (int i = 0; i < 3600; ++i)
    put32(out, static_cast<size_t>(4 * i),
          static_cast<int32_t>(std::lround(32768.0 * std::sin(i / 8.0 * kPi / 180.0))));
  return out;
}

std::string make_atan_table() {
  std::string out(2880, '\0');
  for (int i = 0; i < 720; ++i)
    put32(out, static_cast<size_t>(4 * i), static_cast<int32_t>(std::lround(1024.0 * std::tan(i / 8.0 * kPi / 180.0))));
  return out;
}

std::string make_random_table(uint32_t seed) {
  std::string out(2000, '\0');
  uint32_t x = seed ? seed : 1;
  for (auto& c : out) {  // xorshift32
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return out;
}

void load_tables(const std::string& data_folder) {
  const Pools& p = state().pools;
  std::memset(p.sinus.bytes(), 0, p.sinus.size);
  std::memset(p.sinusbig.bytes(), 0, p.sinusbig.size);
  std::memset(p.atan.bytes(), 0, p.atan.size);
  std::memset(p.random.bytes(), 0, p.random.size);
  read_into(data_folder + "sinus.bin", p.sinus.bytes(), kSinusBytes);
  read_into(data_folder + "sinusbig.bin", p.sinusbig.bytes(), kSinusBigBytes);
  read_into(data_folder + "atan.bin", p.atan.bytes(), kAtanBytes);
  read_into(data_folder + "random.bin", p.random.bytes(), kRandomBytes);
}

int32_t normalise_angle(int32_t a) {
  if (a >= 0 && a < kFullTurn) return a;
  int32_t m = a % kFullTurn;
  return m < 0 ? m + kFullTurn : m;
}

FineSine fine_sine(int32_t angle) {
  int32_t d = normalise_angle(angle) / 512;  // 0..359
  return {sinus()[d * 256 + 1], sinus()[(d + 90) * 256 + 255]};
}

CoarseSine coarse_sine(int32_t angle) {
  int32_t k = normalise_angle(angle) / 64;  // 0..2879
  return {read32(sinusbig() + 4 * k), read32(sinusbig() + 4 * (k + 720)), k};
}

int32_t atan_index(int32_t r) {
  int32_t lo = 0, hi = 719;
  while (true) {
    int32_t mid = (lo + hi) / 2;
    int32_t entry = read32(atan_table() + 4 * mid);
    if (mid == lo || entry == r) return mid;
    if (r > entry)
      lo = mid;
    else
      hi = mid;
  }
}

int32_t vector_angle(int32_t a, int32_t b) {
  return angle_of_quotient(a, b, a == 0 ? 0 : static_cast<int64_t>(b) * 1024 / a);
}

int32_t angle_of_quotient(int32_t a, int32_t b, int64_t r) {
  int32_t k;
  if (a == 0) {
    k = 720;
  } else {
    if (r < 0) r = -r;
    k = r >= 512000 ? 720 : atan_index(static_cast<int32_t>(r));
  }
  if (a < 0 && b < 0)
    k += 1440;
  else if (b < 0)
    k = 2880 - k;
  else if (a < 0)
    k = 1440 - k;
  return (k - 720) * 64;
}

int32_t random_number(int32_t lo, int32_t hi) {
  if (lo >= hi) return lo;
  State& s = state();
  s.random_pos = s.random_pos >= 1996 || s.random_pos == 0 ? 1 : s.random_pos + 1;
  uint32_t w = static_cast<uint32_t>(read32(s.pools.random.bytes() + s.random_pos));
  uint32_t n = s.pump_count;
  uint32_t v = (n + n * 65536u + w) >> 1;
  return wrap_into_range(static_cast<int32_t>(v), lo, hi);
}

int32_t sin_512(int32_t a) { return round_512(512.0 * std::sin(radians(a))); }
int32_t cos_512(int32_t a) { return round_512(512.0 * std::cos(radians(a))); }
int32_t tan_512(int32_t a) { return round_512(512.0 * std::tan(radians(a))); }
int32_t atan_512(int32_t x) { return round_512(kRadian * std::atan(x / 512.0)); }

int32_t sqrt_512(int32_t x) {
  if (x < 0) return std::numeric_limits<int32_t>::min();
  return round_512(512.0 * std::sqrt(static_cast<double>(x)));
}

int32_t factor_512(int32_t a, int32_t b) {
  uint32_t low = static_cast<uint32_t>(a) * static_cast<uint32_t>(b);
  int32_t r = static_cast<int32_t>(low) >> 9;
  // A small negative product (-1/512 .. -511/512) reads as 0 rather than -1;
  // an exact -1.0 (-512) stays -1.
  return r == -1 && (low & 511u) != 0 ? 0 : r;
}

}  // namespace core
