// What the command line needs around the capacity proof: the size a card reports, whether the
// proof fits it, and its findings in words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card/CapacityProof.h"
#include "card/ProofSeal.h"
#include "cli/Targets.h"

namespace vorlane::cli {

// What a capacity proof overwrites, in the confirmation's words.
inline constexpr const char* WholeCardWords = "the whole card, including its file system";

// The size the card reports: the drive list's for a drive, the file's for a card image; 0 where
// it cannot be told.
std::uint64_t ReportedBytesOf(const TTarget& target);

// Why the proof cannot be made on a card of this size behind such a cache; empty where it can.
std::string ProvableProblem(std::uint64_t reportedBytes, const TCapacityOptions& options);

// Throws TUsageError for the first card the proof cannot be made on, before anything is written.
void CheckProvable(const std::vector<TTarget>& targets, const TCapacityOptions& options);

// "keeps every byte it reports (8589934592 bytes)"
std::string ProvedWords(const TCapacityProof& proof);

// What the proof moved and overwrote: "the proof wrote 85.2 MB and read 0.3 MB; tags now in
// sectors 0-165887, 508 sectors from 165888 to 16646144 every 32768, sector 16777215", and where
// it passed, "; its record in sector 8189".
std::string DescribeProofWork(const TCapacityProof& proof);

// Whether a passing proof's record on a card that reports reportedBytes holds for it:
// "proved by Vorlane 2026-12-09T04:30:05Z, behind a cache of up to 64 MiB", or "not proved by
// Vorlane". A record made when the card reported another size does not hold.
std::string DescribeProofRecord(const std::optional<TProofSeal>& seal, std::uint64_t reportedBytes);

// "2026-12-09T04:30:05Z"
std::string ProofTime(const TProofSeal& seal);

}  // namespace vorlane::cli
