// The SHA extensions of x86 processors (Intel since Goldmont and Ice Lake, AMD since Zen): two
// rounds per instruction, the message schedule in two more.
#include <cpuid.h>
#include <immintrin.h>

#include "card/Sha256Blocks.h"

namespace vorlane {
namespace {

bool HasShaInstructions() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  const bool sha = ebx & (1u << 29);
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return sha && (ecx & bit_SSE4_1) && (ecx & bit_SSSE3);
}

// The state as the instructions hold it: ABEF and CDGH.
__attribute__((target("sha,sse4.1"))) void Compress(std::uint32_t* state, const std::uint8_t* data,
                                                    std::size_t blocks) {
  const __m128i byteOrder = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
  __m128i cdgh =
      _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(dcba, cdgh, 8);
  cdgh = _mm_blend_epi16(cdgh, dcba, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i words[4];  // the last four groups of four message words
    for (int group = 0; group < 16; ++group) {
      __m128i& current = words[group & 3];
      if (group < 4)
        current = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)), byteOrder);
      else
        current = _mm_sha256msg2_epu32(
            _mm_add_epi32(_mm_sha256msg1_epu32(current, words[(group - 3) & 3]),
                          _mm_alignr_epi8(words[(group - 1) & 3], words[(group - 2) & 3], 4)),
            words[(group - 1) & 3]);
      const __m128i added = _mm_add_epi32(current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                                       Sha256RoundConstants.data() + 4 * group)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, added);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(added, 0x0E));
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

}  // namespace

bool CompressWithShaInstructions(std::uint32_t* state, const std::uint8_t* data,
                                 std::size_t blocks) {
  static const bool available = HasShaInstructions();
  if (!available) return false;
  Compress(state, data, blocks);
  return true;
}

}  // namespace vorlane
