// Speech for the voice tests, spoken by espeak-ng, and the frame-energy
// envelope used to compare what comes out of the voice path with what went in.
#pragma once

#include "audio/wavreader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <string>
#include <unistd.h>
#include <vector>

// Frame energies in decibels, one per 180 samples.
inline std::vector<double> frameEnergiesDb(const std::vector<int16_t> &samples) {
  std::vector<double> energies;
  for (size_t start = 0; start + 180 <= samples.size(); start += 180) {
    const double sum = std::inner_product(&samples[start], &samples[start + 180], &samples[start], 0.0);
    energies.push_back(10 * std::log10(sum / 180 + 1));
  }
  return energies;
}

// Pearson correlation of the first n values of a and b.
inline double correlation(const double *a, const double *b, size_t n) {
  if (n < 2)
    return -1;
  const double meanA = std::accumulate(a, a + n, 0.0) / n, meanB = std::accumulate(b, b + n, 0.0) / n;
  double cov = 0, varA = 0, varB = 0;
  for (size_t i = 0; i < n; ++i) {
    cov += (a[i] - meanA) * (b[i] - meanB);
    varA += (a[i] - meanA) * (a[i] - meanA);
    varB += (b[i] - meanB) * (b[i] - meanB);
  }
  return varA > 0 && varB > 0 ? cov / std::sqrt(varA * varB) : -1;
}

// The best correlation of the two envelopes when the output lags the input
// by 0..maxLagFrames frames (the coder's delay, or a device's latency).
inline double bestEnvelopeCorrelation(const std::vector<int16_t> &input, const std::vector<int16_t> &output,
                                      size_t maxLagFrames = 8) {
  const auto in = frameEnergiesDb(input);
  const auto out = frameEnergiesDb(output);
  double best = -1;
  for (size_t lag = 0; lag <= maxLagFrames && lag < out.size(); ++lag)
    best = std::max(best, correlation(in.data(), out.data() + lag, std::min(in.size(), out.size() - lag)));
  return best;
}

inline std::filesystem::path scratchSpeechPath() {
  return std::filesystem::temp_directory_path() / ("sw_speech_" + std::to_string(getpid()) + ".wav");
}

// Writes text spoken by espeak-ng (16-bit mono, 22050 Hz) to path.
inline void speakToFile(const std::string &text, const std::filesystem::path &path) {
  const std::string command = "espeak-ng -s 150 -w '" + path.string() + "' '" + text + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Reads a 16-bit mono file and brings it to 8000 Hz: a 3-tap average against
// aliasing, then linear interpolation.
inline std::vector<int16_t> readAtEightKilohertz(const std::filesystem::path &path) {
  WavData wav;
  EXPECT_TRUE(readWavFile(path.string(), wav)) << wav.error;
  EXPECT_EQ(wav.format, AL_FORMAT_MONO16);
  if (!wav.data)
    return {};
  std::vector<int16_t> source(wav.size / 2);
  std::memcpy(source.data(), wav.data.get(), source.size() * 2);
  std::vector<double> smooth(source.size());
  for (size_t i = 1; i + 1 < source.size(); ++i)
    smooth[i] = (source[i - 1] + 2.0 * source[i] + source[i + 1]) / 4;
  std::vector<int16_t> result;
  for (double at = 0; at + 1 < smooth.size(); at += double(wav.frequency) / 8000.0) {
    const size_t i = size_t(at);
    result.push_back(int16_t(smooth[i] * (1 - (at - i)) + smooth[i + 1] * (at - i)));
  }
  return result;
}

inline std::vector<int16_t> spokenSamples(const std::string &text) {
  const auto path = scratchSpeechPath();
  speakToFile(text, path);
  auto samples = readAtEightKilohertz(path);
  std::filesystem::remove(path);
  return samples;
}
