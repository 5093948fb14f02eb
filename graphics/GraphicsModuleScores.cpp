// The end of an exercise: the exit buttons, the rating menu with its
// collection on the facilitator's station, and the score screen. The
// arithmetic is in ScoreSheet; this file moves it between the windows, the
// station state and the network reports.
#include "graphics/DebriefRecord.h"
#include "graphics/GraphicsModule.h"

#include <array>

#include <CEGUI/Event.h>
#include <CEGUI/Window.h>
#include <OgreRoot.h>

#include "graphics/GuiWindows.h"
#include "graphics/NetworkReports.h"
#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"

double captainScore = 0;
double medicScore = 0;
double firemanScore = 0;

namespace {

const std::array<const char *, 3> RATE_BOXES = {"CaptainRateScore", "MedicRateScore", "FiremanRateScore"};
const std::array<const char *, 3> RATE_IMAGES = {"CaptainRateImage", "MedicRateImage", "FiremanRateImage"};
const char *const TICK_PICTURE = "tick.jpg";

ChiefRatings typedRatings() {
  ChiefRatings ratings{};
  for (size_t role = 0; role < RATE_BOXES.size(); ++role)
    ratings[role] = parseRatingText(guiWindow(RATE_BOXES[role])->getText().c_str());
  return ratings;
}

RatingSlots ratingSlots() {
  RatingSlots slots;
  for (size_t role = 0; role < clientTable.size(); ++role) {
    const ClientRecord *record = clientTable[role].get();
    slots[role].present = record != nullptr;
    if (record) {
      slots[role].received = record->scoreReceived;
      slots[role].ratings = record->scores;
    }
  }
  return slots;
}

ExerciseCounts ownCounts() {
  ExerciseCounts counts;
  counts.passengers = passengerCount;
  counts.rescued = rescuedCount;
  counts.healed = healedCount;
  counts.fires = fireCount;
  counts.extinguished = extinguishedCount;
  return counts;
}

void setNumber(const char *window, double value) {
  guiWindow(window)->setText(shownNumber(value).c_str());
}

} // namespace

void GraphicsModule::subscribeScoreWindows() {
  for (const char *button : {"ExitDemoBtn", "ExitDemoButton", "ExitEvaluation"})
    guiWindow(button)->subscribeEvent(CEGUI::Window::EventMouseClick,
                                      CEGUI::Event::Subscriber(&GraphicsModule::handleExit, this));
  guiWindow("Continue")
      ->subscribeEvent(CEGUI::Window::EventMouseClick,
                       CEGUI::Event::Subscriber(&GraphicsModule::handleContinue, this));
}

bool GraphicsModule::handleExit(const CEGUI::EventArgs &) {
  exitAction();
  return true;
}

bool GraphicsModule::handleContinue(const CEGUI::EventArgs &) {
  finishRating();
  return true;
}

void GraphicsModule::exitAction() {
  if (mScorePhase) {
    if (mRoot)
      mRoot->queueEndRendering();
    return;
  }
  if (isClient)
    return;
  if (networkReports)
    networkReports->broadcastRatingMenu();
  openRatingMenu();
}

void GraphicsModule::openRatingMenu() {
  if (!ratingMenuOpens(isClient, mScorePhase))
    return;
  mRatingPhase = true;
  // Crew work ends by each station's own clock; finishing it here makes every
  // station rate, and score, the same closing state.
  finishAllCrewWork();
  // In front of the role windows, which stay shown and would otherwise catch
  // the clicks meant for the rating boxes.
  guiWindow("RatingMenu")->show();
  guiWindow("RatingMenu")->activate();
  writeLog("Rating menu opened");
}

void GraphicsModule::markRatingReceived() {
  const RatingSlots slots = ratingSlots();
  const std::array<bool, 3> ticked = tickedChiefs(slots);
  for (size_t role = 0; role < ticked.size(); ++role)
    if (ticked[role])
      showPicture(RATE_IMAGES[role], TICK_PICTURE);
  if (mRatingPhase && mRatingCollection.slotsChanged(slots))
    finishFacilitatorRating();
}

void GraphicsModule::finishRating() {
  if (!mRatingPhase)
    return;
  if (isClient) {
    finishChiefRating();
    return;
  }
  if (mRatingCollection.pressContinue(ratingSlots()))
    finishFacilitatorRating();
  else
    writeLog("Waiting for the chiefs' ratings");
}

void GraphicsModule::finishChiefRating() {
  ChiefRatings ratings = typedRatings();
  for (double &rating : ratings)
    rating = boundedRating(rating);
  if (networkReports)
    networkReports->sendRatings(clientRole, ratings[0], ratings[1], ratings[2]);
  recordRatings(clientRole, ratings[0], ratings[1], ratings[2]);
  writeLog("Ratings sent");
  showScoreScreen();
}

void GraphicsModule::finishFacilitatorRating() {
  const FinalScores scores = computeFinalScores(ratingSlots(), typedRatings(), ownCounts());
  captainScore = scores.captain;
  medicScore = scores.medic;
  firemanScore = scores.fireman;
  const ChiefRatings own = typedRatings();
  recordRatings(ROLE_FACILITATOR, boundedRating(own[0]), boundedRating(own[1]), boundedRating(own[2]));
  recordScores(captainScore, medicScore, firemanScore);
  if (networkReports)
    networkReports->broadcastFinalScores(captainScore, medicScore, firemanScore);
  showScoreScreen();
  renderScores();
}

void GraphicsModule::showScoreScreen() {
  mRatingPhase = false;
  guiWindow("RatingMenu")->hide();
  mScorePhase = true;
  guiWindow("EvaluationMenu")->show();
  guiWindow("EvaluationMenu")->activate();
}

void GraphicsModule::renderScores() {
  guiWindow("Waiting")->setText("Simulation Scores");
  setNumber("CaptainEvaluationScore", captainScore);
  setNumber("MedicEvaluationScore", medicScore);
  setNumber("FiremanEvaluationScore", firemanScore);
  setNumber("NumberOfPassengersNo", passengerCount);
  setNumber("NumberOfPassengersRescuedNo", rescuedCount);
  setNumber("NumberOfPassengersHealedNo", healedCount);
  setNumber("NumberOfFireNo", fireCount);
  setNumber("NumberOfFireExtinguishedNo", extinguishedCount);
  writeLog("Scores shown: captain " + shownNumber(captainScore) + ", medic " + shownNumber(medicScore) +
           ", fireman " + shownNumber(firemanScore));
}

void GraphicsModule::receiveChiefRatings(std::uint32_t role, double captain, double medic, double fireman) {
  if (!isChiefRole(role) || !clientTable[role]) {
    writeLog("NULL charID\n");
    return;
  }
  ClientRecord &record = *clientTable[role];
  record.scores = {captain, medic, fireman};
  record.scoreReceived = true;
  recordRatings(role, boundedRating(captain), boundedRating(medic), boundedRating(fireman));
  markRatingReceived();
}

void GraphicsModule::receiveFinalScores(double captain, double medic, double fireman) {
  captainScore = boundedScore(captain);
  medicScore = boundedScore(medic);
  firemanScore = boundedScore(fireman);
  recordScores(captainScore, medicScore, firemanScore);
  // Normally already there since its ratings went out; a chief whose menu
  // was never submitted gets the scores shown all the same.
  if (!mScorePhase)
    showScoreScreen();
  renderScores();
}

void GraphicsModule::chiefLeft(std::uint32_t role) {
  if (isClient || !isChiefRole(role) || !mRatingPhase)
    return;
  markRatingReceived();
}
