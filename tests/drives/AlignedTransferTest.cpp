// Uncached volumes hand their transfers page-aligned memory whatever the caller passes: the
// test sector sits anywhere, the job's transfers on whole pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "drives/AlignedTransfer.h"

namespace vorlane {
namespace {

struct TCallerBytes {
  const char* Where;
  std::size_t OffsetInPage;  // where the caller's bytes start, from a page boundary
  std::size_t Size;
};

constexpr TCallerBytes CallerCases[] = {
    {"page-aligned transfer", 0, 3 * 4096},
    {"one sector, one sector into a page", 512, 512},
    {"sectors at an odd address", 1, 3 * 512},
    {"sectors across a page boundary", 7 * 512, 2 * 512},
};

TEST(AlignedTransfer, TheTransferGetsPageAlignedMemoryAndTheCallerItsBytes) {
  for (const TCallerBytes& caller : CallerCases) {
    SCOPED_TRACE(caller.Where);
    TAlignedBuffer store(caller.OffsetInPage + caller.Size);
    const std::span<std::uint8_t> bytes = store.Bytes().subspan(caller.OffsetInPage, caller.Size);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    const std::vector<std::uint8_t> written(bytes.begin(), bytes.end());

    std::vector<std::uint8_t> card;
    EXPECT_FALSE(WriteFromAligned(bytes, [&](std::span<const std::uint8_t> aligned) {
      EXPECT_TRUE(IsPageAligned(aligned.data()));
      EXPECT_EQ(aligned.data() == bytes.data(), caller.OffsetInPage == 0) << "copied needlessly";
      card.assign(aligned.begin(), aligned.end());
      return std::error_code();
    }));
    EXPECT_EQ(card, written);

    std::ranges::fill(bytes, std::uint8_t{0});
    EXPECT_FALSE(ReadIntoAligned(bytes, [&](std::span<std::uint8_t> aligned) {
      EXPECT_TRUE(IsPageAligned(aligned.data()));
      EXPECT_EQ(aligned.size(), card.size());
      std::copy_n(card.begin(), std::min(card.size(), aligned.size()), aligned.begin());
      return std::error_code();
    }));
    EXPECT_TRUE(std::ranges::equal(bytes, written)) << "the read-back reaches the caller";

    const auto refuse = [](auto) { return std::make_error_code(std::errc::io_error); };
    EXPECT_EQ(WriteFromAligned(bytes, refuse), std::errc::io_error);
    EXPECT_EQ(ReadIntoAligned(bytes, refuse), std::errc::io_error);
  }
}

}  // namespace
}  // namespace vorlane
