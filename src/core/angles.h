// The integer angle unit (1/512 degree, full turn 184,320), the lookup tables
// read at start-up, and the fixed-point helpers with 512 = 1.0.
#pragma once

#include <cstdint>
#include <string>

namespace core {

constexpr int32_t kFullTurn = 184320;
constexpr int32_t kRadian = 29335;

// Table contents by their rules, for a fresh installation.
std::string make_sinus_table();                              // 450 x 256 signed bytes
std::string make_sinusbig_table();                           // 3600 little-endian int32
std::string make_atan_table();                               // 720 little-endian int32
std::string make_random_table(uint32_t seed = 0x51C0FFEEu);  // 2000 bytes

// Zeroes the four table pools and reads the files from `data_folder`.
void load_tables(const std::string& data_folder);

int32_t normalise_angle(int32_t a);

// Fine lookup: whole degrees from sinus.bin, 128 = 1.0.
struct FineSine {
  int32_t sin, cos;
};
FineSine fine_sine(int32_t angle);

// Coarse lookup: eighths of a degree from sinusbig.bin, 32768 = 1.0; k is the
// eighth-degree index (callers skip the rotation when it is 0).
struct CoarseSine {
  int32_t sin, cos, k;
};
CoarseSine coarse_sine(int32_t angle);

// Binary search over atan.bin: an angle in eighths of a degree, 0..719.
int32_t atan_index(int32_t r);
// Angle of the vector (a, b) in angle units.
int32_t vector_angle(int32_t a, int32_t b);
// The same from a quotient r already formed from b and a (its sign is
// ignored; a = 0 means straight along b).
int32_t angle_of_quotient(int32_t a, int32_t b, int64_t r);

// The random source: advances through random.bin and mixes in the number of
// message-pump passes. lo >= hi gives lo.
int32_t random_number(int32_t lo, int32_t hi);

// The _512 built-ins.
int32_t sin_512(int32_t a);
int32_t cos_512(int32_t a);
int32_t tan_512(int32_t a);
int32_t atan_512(int32_t x);
int32_t sqrt_512(int32_t x);
int32_t factor_512(int32_t a, int32_t b);

}  // namespace core
