// The end of an exercise without its screens: typed and received ratings, the
// final score formula with its clamps, the facilitator's Continue and how the
// score screen writes numbers.
#include "graphics/ScoreSheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

ChiefRatingSlot ratedBy(ChiefRatings ratings) {
  ChiefRatingSlot slot;
  slot.present = true;
  slot.received = true;
  slot.ratings = ratings;
  return slot;
}

} // namespace

TEST(ScoreSheet, TypedRatingsAreNumbersFromZeroToHundred) {
  // A chief typing 250 sends 100; text that is no number counts as 0.
  EXPECT_EQ(boundedRating(parseRatingText("250")), 100.0);
  EXPECT_EQ(boundedRating(parseRatingText(" 72.5 points")), 72.5);
  EXPECT_EQ(boundedRating(parseRatingText("good")), 0.0);
  EXPECT_EQ(boundedRating(parseRatingText("-40")), 0.0);
  EXPECT_EQ(boundedRating(parseRatingText("1e999")), 0.0);
  EXPECT_EQ(boundedRating(NaN), 0.0);
}

TEST(ScoreSheet, FinalScoresFromRatingsAndTheExercise) {
  // Facilitator only: 0.3 of its ratings plus the exercise terms. 8 passengers
  // and 4 healed give the medic 15; healed 0 leaves the captain's term out
  // even with passengers rescued; 2 of 6 fires put out give the fireman 10.
  const RatingSlots nobody{};
  ExerciseCounts counts;
  counts.passengers = 8;
  counts.healed = 0;
  counts.rescued = 3;
  counts.fires = 6;
  counts.extinguished = 2;
  FinalScores scores = computeFinalScores(nobody, {0, 0, 0}, counts);
  EXPECT_DOUBLE_EQ(scores.captain, 0.0);
  EXPECT_DOUBLE_EQ(scores.medic, 0.0);
  EXPECT_DOUBLE_EQ(scores.fireman, 10.0);
  counts.healed = 4;
  scores = computeFinalScores(nobody, {0, 0, 0}, counts);
  EXPECT_DOUBLE_EQ(scores.medic, 15.0);
  // rescued / healed = 3 / 4.
  EXPECT_DOUBLE_EQ(scores.captain, 22.5);
  // The facilitator's ratings alone, in a quiet exercise: 0.3 of each.
  scores = computeFinalScores(nobody, {100, 80, 0}, ExerciseCounts{});
  EXPECT_DOUBLE_EQ(scores.captain, 30.0);
  EXPECT_DOUBLE_EQ(scores.medic, 24.0);

  // No chief's self-rating counts; computing twice assigns, it does not add up.
  RatingSlots all{ratedBy({100, 80, 80}), ratedBy({80, 0, 80}), ratedBy({80, 80, 0})};
  const ExerciseCounts quiet;
  scores = computeFinalScores(all, {90, 90, 90}, quiet);
  EXPECT_DOUBLE_EQ(scores.captain, 59.0); // 0.2 x 80 + 0.2 x 80 + 0.3 x 90
  EXPECT_DOUBLE_EQ(computeFinalScores(all, {90, 90, 90}, quiet).medic, scores.medic);
}

TEST(ScoreSheet, EveryScoreStaysWithinZeroToHundredWhateverArrives) {
  // Wire values: huge or not finite ones are dropped, others clamped; the
  // facilitator's own 250 is clamped; ratios beyond 1 (more rescued than
  // healed, more healed than created) count as 1.
  RatingSlots slots{ratedBy({0, NaN, 1e300}), ratedBy({Inf, 0, 250}), ratedBy({-Inf, -30, 0})};
  ExerciseCounts counts;
  counts.passengers = 2;
  counts.healed = 5;
  counts.rescued = 50;
  counts.fires = 1;
  counts.extinguished = 1e308;
  const FinalScores scores = computeFinalScores(slots, {250, 250, 250}, counts);
  // Captain: both ratings of it dropped; 0.3 × 100 + 30 × 1.
  EXPECT_DOUBLE_EQ(scores.captain, 60.0);
  // Medic: NaN dropped, -30 clamped to 0; 30 + 30.
  EXPECT_DOUBLE_EQ(scores.medic, 60.0);
  // Fireman: 1e300 dropped, 250 clamped to 100: 20 + 30 + 30.
  EXPECT_DOUBLE_EQ(scores.fireman, 80.0);

  EXPECT_EQ(usableRating(1e300), std::nullopt);
  EXPECT_EQ(usableRating(NaN), std::nullopt);
  EXPECT_EQ(usableRating(250), 100.0);
  EXPECT_EQ(usableRating(-5), 0.0);
  EXPECT_EQ(exerciseRatio(1, 0), std::nullopt);
  EXPECT_EQ(exerciseRatio(-3, 4), 0.0);
  EXPECT_EQ(exerciseRatio(NaN, 4), 0.0);

  // Received final scores are kept within 0..100 as well.
  EXPECT_EQ(boundedScore(1e300), 100.0);
  EXPECT_EQ(boundedScore(NaN), 0.0);
  EXPECT_EQ(boundedScore(-7), 0.0);
}

TEST(ScoreSheet, ScoreScreenNumbersAreTruncatedIntegersAndNeverUndefined) {
  EXPECT_EQ(shownNumber(73.9), "73");
  EXPECT_EQ(shownNumber(-0.5), "0");
  EXPECT_EQ(shownNumber(NaN), "0");
  EXPECT_EQ(shownNumber(1e300), "2147483647");
}

TEST(ScoreSheet, ContinueWaitsForTheChiefsAndGoesOnWhenTheMissingOneLeaves) {
  // Captain and medic connected, fireman absent.
  RatingSlots slots{};
  slots[0].present = true;
  slots[1].present = true;
  RatingCollection collection;

  // The first rating arrives: the absent fireman is ticked at once.
  slots[1] = ratedBy({70, 0, 60});
  EXPECT_EQ(tickedChiefs(slots), (std::array<bool, 3>{false, true, true}));
  EXPECT_FALSE(collection.slotsChanged(slots)); // nobody pressed Continue yet

  // The facilitator presses Continue while the captain owes its ratings.
  EXPECT_FALSE(collection.pressContinue(slots));
  EXPECT_TRUE(collection.continuePending());
  EXPECT_FALSE(collection.slotsChanged(slots));

  // The captain leaves without rating: the waiting Continue goes ahead once.
  slots[0] = ChiefRatingSlot{};
  EXPECT_EQ(tickedChiefs(slots), (std::array<bool, 3>{true, true, true}));
  EXPECT_TRUE(collection.slotsChanged(slots));
  EXPECT_FALSE(collection.continuePending());
  EXPECT_FALSE(collection.slotsChanged(slots));

  // With every rating in, Continue finishes at once.
  EXPECT_TRUE(collection.pressContinue(slots));

  // A repeated rating-menu broadcast leaves a chief that submitted on its
  // score screen; the facilitator's menu reopens on a second exit press.
  EXPECT_FALSE(ratingMenuOpens(true, true));
  EXPECT_TRUE(ratingMenuOpens(true, false));
  EXPECT_TRUE(ratingMenuOpens(false, false));
}
