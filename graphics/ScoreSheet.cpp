#include "graphics/ScoreSheet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <sstream>

namespace {

constexpr int CaptainIndex = 0;
constexpr int MedicIndex = 1;
constexpr int FiremanIndex = 2;

// The two other chiefs' ratings of chief `rated`, each weighted; a missing
// slot or a dropped value adds nothing.
double peerTerm(const RatingSlots &slots, int rated) {
  double sum = 0;
  for (int rater = 0; rater < 3; ++rater) {
    if (rater == rated || !slots[rater].present || !slots[rater].received)
      continue;
    if (const std::optional<double> rating = usableRating(slots[rater].ratings[rated]))
      sum += PeerRatingWeight * *rating;
  }
  return sum;
}

double scoreOf(const RatingSlots &slots, int rated, double facilitatorRating, double part, double whole) {
  double score = peerTerm(slots, rated) + FacilitatorRatingWeight * boundedRating(facilitatorRating);
  if (const std::optional<double> ratio = exerciseRatio(part, whole))
    score += ExerciseRatioWeight * *ratio;
  return std::clamp(score, MinRating, MaxRating);
}

} // namespace

double parseRatingText(const std::string &text) {
  std::istringstream stream(text);
  stream.imbue(std::locale::classic());
  double value = 0;
  if (!(stream >> value))
    return 0;
  return value;
}

double boundedRating(double typed) {
  if (!std::isfinite(typed))
    return 0;
  return std::clamp(typed, MinRating, MaxRating);
}

std::optional<double> usableRating(double received) {
  if (!std::isfinite(received) || std::fabs(received) > MaxPlausibleRating)
    return std::nullopt;
  return std::clamp(received, MinRating, MaxRating);
}

std::optional<double> exerciseRatio(double part, double whole) {
  if (whole == 0)
    return std::nullopt;
  const double ratio = part / whole;
  if (!std::isfinite(ratio))
    return 0.0;
  return std::clamp(ratio, 0.0, 1.0);
}

FinalScores computeFinalScores(const RatingSlots &slots, const ChiefRatings &facilitatorRatings,
                               const ExerciseCounts &counts) {
  FinalScores scores;
  scores.captain =
      scoreOf(slots, CaptainIndex, facilitatorRatings[CaptainIndex], counts.rescued, counts.healed);
  scores.medic = scoreOf(slots, MedicIndex, facilitatorRatings[MedicIndex], counts.healed, counts.passengers);
  scores.fireman =
      scoreOf(slots, FiremanIndex, facilitatorRatings[FiremanIndex], counts.extinguished, counts.fires);
  return scores;
}

double boundedScore(double received) {
  if (!std::isfinite(received))
    return 0;
  return std::clamp(received, MinRating, MaxRating);
}

bool allRatingsIn(const RatingSlots &slots) {
  return std::all_of(slots.begin(), slots.end(),
                     [](const ChiefRatingSlot &slot) { return !slot.present || slot.received; });
}

std::array<bool, 3> tickedChiefs(const RatingSlots &slots) {
  std::array<bool, 3> ticked{};
  for (size_t role = 0; role < slots.size(); ++role)
    ticked[role] = !slots[role].present || slots[role].received;
  return ticked;
}

std::string shownNumber(double value) {
  if (!std::isfinite(value))
    return "0";
  const double lowest = double(std::numeric_limits<std::int32_t>::min());
  const double highest = double(std::numeric_limits<std::int32_t>::max());
  return std::to_string(std::int32_t(std::trunc(std::clamp(value, lowest, highest))));
}

bool RatingCollection::pressContinue(const RatingSlots &slots) {
  mContinuePending = !allRatingsIn(slots);
  return !mContinuePending;
}

bool RatingCollection::slotsChanged(const RatingSlots &slots) {
  if (!mContinuePending || !allRatingsIn(slots))
    return false;
  mContinuePending = false;
  return true;
}

bool ratingMenuOpens(bool isChiefStation, bool scorePhase) {
  return !(isChiefStation && scorePhase);
}
