// Times the real write job putting a segment at the 400 MiB limit onto a target (a loop device
// or a card image), and in the same run times dd on the same target: bs=1M with O_DIRECT as the
// reference for what the device takes, and bs=512 with O_DIRECT as one transfer per sector.
//
//   vorlane_bench TARGET [WAV_FOLDER] [ROUNDS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "card/TReadWrite.h"

namespace vorlane {
namespace {

class TCountingObserver final : public TJobObserver {
 public:
  void Progress(int) override { ++ProgressHandOffs; }
  void Finished(const TJobOutcome& outcome) override { Outcome = outcome; }
  int ProgressHandOffs = 0;  // one per new percentage
  TJobOutcome Outcome;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakMemoryKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string MakeLimitSizedWav(const std::string& folder) {
  const std::string path = folder + "/vorlane-bench-400MiB.wav";
  std::ofstream file(path, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 31 + 7);
  const std::uint32_t sizeField = MaxDeclaredLength - 8;
  const char header[12] = {'R',
                           'I',
                           'F',
                           'F',
                           static_cast<char>(sizeField),
                           static_cast<char>(sizeField >> 8),
                           static_cast<char>(sizeField >> 16),
                           static_cast<char>(sizeField >> 24),
                           'W',
                           'A',
                           'V',
                           'E'};
  for (std::uint32_t written = 0; written < MaxDeclaredLength; written += chunk.size()) {
    std::copy(header, header + (written == 0 ? 12 : 0), chunk.begin());
    file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  return path;
}

double TimeDd(const std::string& target, const std::string& blockSize, std::uint64_t count,
              std::uint64_t seek) {
  const std::string command = "dd if=/dev/zero of=" + target + " bs=" + blockSize +
                              " count=" + std::to_string(count) + " seek=" + std::to_string(seek) +
                              " oflag=direct conv=notrunc,fsync 2>/dev/null";
  const auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return Seconds(start);
}

struct TJobRun {
  double Wall = 0;
  double Cpu = 0;
  int HandOffs = 0;
};

// One job writing the limit-sized segment; nullopt when it did not succeed.
std::optional<TJobRun> RunJob(const std::string& target, const std::string& wav) {
  TCountingObserver observer;
  TSector buf{};
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  {
    TReadWriteThread job({target, TSegment::One, {wav, MaxDeclaredLength, true}}, observer,
                         SystemPlatform(), buf);
    job.WaitFor();
  }
  const TJobRun run{Seconds(start), CpuSeconds() - cpuBefore, observer.ProgressHandOffs};
  if (observer.Outcome.Result == TJobResult::Succeeded) return run;
  std::fprintf(stderr, "job failed: %s\n", DescribeFailure(target, observer.Outcome).c_str());
  return std::nullopt;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace vorlane

// The job and dd take turns on the same sectors, so neither is favoured by what the other left
// in caches or allocated in the image; the medians are reported.
int main(int argc, char** argv) {
  using namespace vorlane;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s TARGET [WAV_FOLDER] [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::string target = argv[1];
  const std::string wav = MakeLimitSizedWav(argc > 2 ? argv[2] : "/dev/shm");
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const std::uint32_t imageSectors = SectorCountFor(MaxDeclaredLength) + 1;

  std::vector<double> jobWalls, jobCpus, references;
  int handOffs = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::optional<TJobRun> run = RunJob(target, wav);
    if (!run) return 1;
    jobWalls.push_back(run->Wall);
    jobCpus.push_back(run->Cpu);
    handOffs = std::max(handOffs, run->HandOffs);
    references.push_back(TimeDd(target, "1M", 401, Segment1StartSector / 2048));
  }
  const long peakKiB = PeakMemoryKiB();
  std::remove(wav.c_str());
  const double ddPerSector = TimeDd(target, "512", imageSectors, Segment1StartSector);
  const double jobWall = Median(jobWalls), jobCpu = Median(jobCpus);
  const double ddReference = Median(references);

  std::printf("target                      %s\n", target.c_str());
  std::printf("image sectors               %u (400 MiB segment), %d rounds, medians\n",
              imageSectors, rounds);
  std::printf("job wall time               %.3f s\n", jobWall);
  std::printf("job CPU time                %.3f s (%.2f us per image sector)\n", jobCpu,
              jobCpu * 1e6 / imageSectors);
  std::printf("peak memory                 %.1f MiB\n", peakKiB / 1024.0);
  std::printf("progress hand-offs          %d (most in one job)\n", handOffs);
  std::printf("dd bs=1M oflag=direct       %.3f s (reference)\n", ddReference);
  std::printf("dd bs=512 oflag=direct      %.3f s (one transfer per sector)\n", ddPerSector);
  std::printf("job / reference             %.2f\n", jobWall / ddReference);
  std::printf("per-sector dd / job         %.1f x\n", ddPerSector / jobWall);
  return 0;
}
