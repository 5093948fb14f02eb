#pragma once
// The arithmetic of an exercise's end, apart from its screens: what a typed
// rating becomes, which received ratings a score may use, the final score
// formula, when the facilitator may finish, and how a number is shown. Free of
// the engine and the GUI.
//
// Ratings are 0..100; a chief's three ratings are in the order captain, medic,
// fireman (the chief role codes 0..2).

#include <array>
#include <optional>
#include <string>

using ChiefRatings = std::array<double, 3>;

constexpr double MinRating = 0.0;
constexpr double MaxRating = 100.0;
// A received value beyond this magnitude cannot come from a sound station
// (which sends 0..100) and is dropped rather than clamped.
constexpr double MaxPlausibleRating = 1.0e6;

// Weights of the final score: each of the two other chiefs' ratings, the
// facilitator's rating, and the exercise ratio (0..1). Ratings of 0..100 and
// a ratio of 0..1 give a score of 0..100.
constexpr double PeerRatingWeight = 0.2;
constexpr double FacilitatorRatingWeight = 0.3;
constexpr double ExerciseRatioWeight = 30.0;

// The text of a rating box as a number; text that does not begin with a
// number gives 0.
double parseRatingText(const std::string &text);

// A rating this station uses or sends itself: clamped to 0..100; a value
// that is not finite counts as 0.
double boundedRating(double typed);

// A rating received from another station, when a score may use it: nothing
// for a value that is not finite or implausibly large, otherwise clamped to
// 0..100.
std::optional<double> usableRating(double received);

// A chief's slot as the facilitator's station sees it in the rating phase.
struct ChiefRatingSlot {
  bool present = false;   // the chief is connected
  bool received = false;  // its ratings have arrived
  ChiefRatings ratings{}; // as they arrived
};
using RatingSlots = std::array<ChiefRatingSlot, 3>;

// The facilitator's own scene's counters.
struct ExerciseCounts {
  double passengers = 0;
  double rescued = 0;
  double healed = 0;
  double fires = 0;
  double extinguished = 0;
};

struct FinalScores {
  double captain = 0;
  double medic = 0;
  double fireman = 0;
};

// part / whole clamped to 0..1; nothing when whole is 0 (the term is left
// out), 0 when either count is not finite.
std::optional<double> exerciseRatio(double part, double whole);

// Each chief's score from the two other chiefs' ratings of it (left out for
// an empty slot or a dropped value), the facilitator's rating of it and its
// exercise ratio: the captain's rescued / healed, the medic's healed /
// passengers, the fireman's extinguished / fires. Each score is 0..100.
FinalScores computeFinalScores(const RatingSlots &slots, const ChiefRatings &facilitatorRatings,
                               const ExerciseCounts &counts);

// A score received from the facilitator's station, as this station keeps it:
// clamped to 0..100, 0 when not finite.
double boundedScore(double received);

// True when no connected chief still owes its ratings.
bool allRatingsIn(const RatingSlots &slots);

// Per chief role, whether its rating picture shows the tick: its slot is
// empty or its ratings are in.
std::array<bool, 3> tickedChiefs(const RatingSlots &slots);

// A score or counter as the score screen shows it: truncated toward zero, in
// decimal; a value that is not finite shows 0, one beyond the range of a
// 32-bit integer shows that range's end.
std::string shownNumber(double value);

// The facilitator's "Continue" in the rating phase. A press while a chief
// still owes its ratings is remembered; it finishes as soon as nothing
// blocks any more (the ratings arrive or the chief leaves).
class RatingCollection {
public:
  // True when the ratings may be finished now; otherwise the press is kept.
  bool pressContinue(const RatingSlots &slots);
  // After a rating arrived or a chief left: true when a kept press may
  // finish now (the press is then used up).
  bool slotsChanged(const RatingSlots &slots);
  bool continuePending() const { return mContinuePending; }

private:
  bool mContinuePending = false;
};

// Whether a rating-menu request opens the menu: not on a chief's station
// that has already submitted its ratings (it shows the score screen).
bool ratingMenuOpens(bool isChiefStation, bool scorePhase);
