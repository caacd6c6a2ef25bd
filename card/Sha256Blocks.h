// Whole SHA-256 blocks through the processor's own SHA instructions, where it has them: a
// station log is hashed line by line when it is checked, and these make that several times
// faster than the portable rounds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlane {

// Compresses blocks 64-byte blocks of data into state; false, touching nothing, where the
// processor has no SHA instructions.
bool CompressWithShaInstructions(std::uint32_t* state, const std::uint8_t* data,
                                 std::size_t blocks);

}  // namespace vorlane
