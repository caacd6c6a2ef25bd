// The one shape every card operation reports its end in: which step it ended at, the system's
// error, the card byte where it happened, and what the card did wrong in words. The write job,
// verification and reading what a card holds each have their own steps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace vorlane {

template <typename TResultKind>
struct TOutcome {
  // A constructor rather than an aggregate: outcomes are written {result, error, offset} and
  // only the few that need it name a detail.
  TOutcome(TResultKind result = {}, std::error_code error = {},
           std::optional<std::uint64_t> cardOffset = std::nullopt, std::string detail = {})
      : Result(result), Error(error), CardOffset(cardOffset), Detail(std::move(detail)) {}

  TResultKind Result;     // the first value of each kind is the one that ends well
  std::error_code Error;  // the system's reason, where there is one
  std::optional<std::uint64_t> CardOffset;  // card byte where it happened, where it applies
  std::string Detail;  // what the card did wrong, where the result alone does not say
  friend bool operator==(const TOutcome&, const TOutcome&) = default;
};

}  // namespace vorlane
