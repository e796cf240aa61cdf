#pragma once
// Fixed-point money: a 64-bit integer counting ten-thousandths, so amounts add and compare
// exactly and print without binary-fraction noise.
#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace chronolin {

class Currency {
 public:
  static constexpr std::int64_t kScale = 10'000;

  constexpr Currency() = default;
  static constexpr Currency FromScaled(std::int64_t scaled) {
    Currency c;
    c.scaled_ = scaled;
    return c;
  }
  // Rounds to four decimals, ties to even. The double is first read as the shortest decimal
  // that converts back to it, so 0.00015 counts as written (a tie, giving 0.0002) rather than
  // as its binary neighbour 0.000149999... Nullopt for NaN, infinities and values outside the
  // representable range (about +/-9.22e14).
  static std::optional<Currency> FromDouble(double value);
  static std::optional<Currency> FromInt64(std::int64_t value);

  constexpr std::int64_t Scaled() const { return scaled_; }
  double ToDouble() const;
  // Nearest integer, ties to even; exact, without going through double.
  std::int64_t RoundToInt64() const;
  // Exact decimal, no trailing zeros after the point, no point for whole amounts:
  // "12.5", "-0.0001", "3".
  std::string ToString() const;

  friend constexpr bool operator==(Currency, Currency) = default;
  friend constexpr auto operator<=>(Currency, Currency) = default;

 private:
  std::int64_t scaled_ = 0;
};

}  // namespace chronolin
