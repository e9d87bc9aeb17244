// The keyboard's key positions and LEDs. The picture has 126 key positions (six rows of 21;
// 104 are real keys), the device 126 LED slots; these tables relate them. 126 means "none".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tavrinex::lighting {

inline constexpr std::size_t kKeyPositions = 126;
inline constexpr std::uint8_t kNone = 126;
inline constexpr std::size_t kMatrixColumns = 23;
inline constexpr std::size_t kMatrixRows = 6;

namespace detail {
// The physical layout row by row, left to right; LedMatrix stores it column by column.
inline constexpr std::array<std::array<std::uint8_t, kMatrixColumns>, kMatrixRows> kMatrixRowsData = {{
    {126, 126, 0, 1, 2, 3, 4, 126, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 126, 126, 126, 126},
    {126, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 126, 35, 36, 37, 38, 39, 40, 41},
    {126, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 126, 56, 57, 58, 59, 60, 61, 126},
    {126, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 126, 75, 126, 126, 126, 126, 76, 77, 78, 119},
    {126, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 126, 126, 95, 126, 126, 96, 126, 97, 98, 99, 118},
    {105, 106, 107, 126, 126, 126, 108, 126, 126, 109, 126, 110, 126, 111, 126, 112, 113, 114, 115, 116,
     126, 117, 126},
}};

constexpr std::array<std::uint8_t, kMatrixColumns * kMatrixRows> ByColumn() {
  std::array<std::uint8_t, kMatrixColumns * kMatrixRows> out{};
  for (std::size_t c = 0; c < kMatrixColumns; ++c) {
    for (std::size_t r = 0; r < kMatrixRows; ++r) out[kMatrixRows * c + r] = kMatrixRowsData[r][c];
  }
  return out;
}
}  // namespace detail

// Entry 6 * column + row: the key position at that place, or 126.
inline constexpr std::array<std::uint8_t, kMatrixColumns * kMatrixRows> kLedMatrix = detail::ByColumn();
static_assert(kLedMatrix.size() == 138 && kLedMatrix[6 * 2 + 0] == 0 && kLedMatrix[6 * 0 + 5] == 105 &&
              kLedMatrix[6 * 22 + 3] == 119 && kLedMatrix[6 * 11 + 2] == 52);

[[nodiscard]] constexpr std::uint8_t MatrixAt(std::size_t column, std::size_t row) {
  return kLedMatrix[kMatrixRows * column + row];
}

// The 104 keys in a serpentine order, then 22 entries of 126.
inline constexpr std::array<std::uint8_t, kKeyPositions> kLedPath = {
    15,  14,  13,  12,  11,  10,  9,   8,   7,   6,   5,   4,   3,   2,   1,   0,
    21,  42,  63,  84,  105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116,
    117, 118, 119, 41,  40,  39,  38,  37,  36,  35,  34,  33,  32,  31,  30,  29,
    28,  27,  26,  25,  24,  23,  22,  43,  64,  85,  86,  87,  88,  89,  90,  91,
    92,  93,  94,  95,  96,  97,  98,  99,  78,  61,  60,  59,  58,  57,  56,  55,
    54,  53,  52,  51,  50,  49,  48,  47,  46,  45,  44,  65,  66,  67,  68,  69,
    70,  71,  72,  73,  74,  75,  76,  77,  126, 126, 126, 126, 126, 126, 126, 126,
    126, 126, 126, 126, 126, 126, 126, 126, 126, 126, 126, 126, 126, 126};
inline constexpr std::size_t kPathKeys = 104;
static_assert(kLedPath.size() == kKeyPositions && kLedPath[kPathKeys - 1] == 77 && kLedPath[kPathKeys] == kNone);

// Key position -> device LED index.
inline constexpr std::array<std::uint8_t, kKeyPositions> kKeyLedMap = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  14,  15,  16,
    126, 126, 126, 126, 126, 21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,
    32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,
    48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  126, 63,
    64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  76,  80,  81,  82,  126,
    126, 126, 126, 126, 84,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  97,
    99,  101, 102, 103, 126, 126, 126, 126, 126, 105, 106, 107, 108, 109, 110, 111,
    113, 119, 120, 121, 123, 124, 104, 62,  126, 126, 126, 126, 126, 126};
static_assert(kKeyLedMap.size() == kKeyPositions && kKeyLedMap[13] == 14 && kKeyLedMap[118] == 104 &&
              kKeyLedMap[119] == 62 && kKeyLedMap[125] == kNone);

// Where a key position sits in LedMatrix (columns 0-22, rows 0-5 in that order; first hit).
struct MatrixPlace {
  std::uint8_t column;
  std::uint8_t row;
};
[[nodiscard]] constexpr std::optional<MatrixPlace> FindInMatrix(std::size_t position) {
  for (std::size_t c = 0; c < kMatrixColumns; ++c) {
    for (std::size_t r = 0; r < kMatrixRows; ++r) {
      if (MatrixAt(c, r) == position) {
        return MatrixPlace{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(r)};
      }
    }
  }
  return std::nullopt;
}
static_assert(FindInMatrix(52)->column == 11 && FindInMatrix(52)->row == 2 && !FindInMatrix(62));

// The keyboard's custom colour sets: five sets of 126 RGB triples by device LED index.
inline constexpr std::size_t kCustomSetCount = 5;
inline constexpr std::size_t kCustomSetSize = 3 * kKeyPositions;
using CustomColourSets = std::array<std::uint8_t, kCustomSetCount * kCustomSetSize>;
static_assert(sizeof(CustomColourSets) == 1890 && kCustomSetSize == 378);

}  // namespace tavrinex::lighting
