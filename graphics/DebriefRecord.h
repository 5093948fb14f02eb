#pragma once
// The debrief record: what a trainer reads after the exercise, and what the
// end-to-end tests compare between stations. Each station writes
// "debrief.json" into its working directory: at exit, whenever the exercise
// changes phase, and at most once a second while anything in it changes.
//
// Format (plain JSON, one object):
//   "station":   {"role": 0..3, "roleName": "captain", "isClient": bool,
//                 "phase": "start dialog" | "lobby" | "running" | "rating" | "scores",
//                 "viewedRole": 0..3, "link": the lobby's words for the network,
//                 "camera": [x, y, z]}
//   "chiefs":    one object per present chief, each on its own line:
//                {"role": 0..2, "name": ..., "x": ..., "y": ..., "z": ...,
//                 "yaw": degrees, "pitch": degrees, "state": animation name}
//   "objects":   every named object: {"name", "kind" (passenger, medic crew,
//                fireman crew, fire), "x", "y", "z", "state" (a figure's
//                animation; a fire's "burning" or "out")}, passengers also
//                "injury": 2 lying, 1 sitting, 0 up (what every station
//                agrees on; a crew member's treatment shows in the pose only
//                when its work ends)
//   "counters":  passengers, rescued, healed, fires, extinguished
//   "supplies":  medkits, extinguishers
//   "ratings":   the ratings each chief gave that this station knows (its own;
//                the facilitator's station all of them):
//                {"role": 0..3, "captain": r, "medic": r, "fireman": r}
//   "scores":    null, or at the score screen {"captain", "medic", "fireman"}
//   "timeline":  every action applied to the scene, oldest first:
//                {"t": seconds since the station started, "role": 0..3,
//                 "action": word, "target": text,
//                 "counters": {...}, "supplies": {...}  as they were after it}
//                Action words: start, join, leave, move, state (the chief's
//                animation), treat, extinguish, fire out, follow, stop,
//                walk, facilitator move, crew dispatch (target "crew to
//                target"), crew treated | crew extinguish | crew fire out (a
//                crew member's work ending, by this station's clock),
//                supplies ("medkits 25"), add passenger, add fire ("name at
//                x y z"), ratings ("captain r medic r fireman r"), scores
//                (the same), talk start | talk stop (a chief's voice: its
//                first packet, and its last once the stream has been quiet
//                for a second, or the own R key).
// Coordinates are level units, angles degrees.

#include <cstdint>
#include <string>

// Appends one entry to the timeline and marks the record changed.
void recordAction(std::uint32_t role, const std::string &action, const std::string &target);
// The ratings a chief (or the facilitator, 3) gave.
void recordRatings(std::uint32_t role, double captain, double medic, double fireman);
// The final scores, as shown on the score screen.
void recordScores(double captain, double medic, double fireman);
// A voice packet of the role's stream went out or came in; the first of a
// stream records "talk start".
void noteVoicePacket(std::uint32_t role);
// The role's stream ended (the own R key released); "talk stop" if it talked.
void noteVoiceStop(std::uint32_t role);
// Streams quiet for a second or more end ("talk stop" at their last packet).
void closeQuietVoices();
// Something in the record changed; the next due write takes it.
void markDebriefChanged();
// Writes "debrief.json" now.
void writeDebrief();
// Writes it when it changed and the last write is a second old.
void writeDebriefIfDue();
// The record's JSON text (what writeDebrief writes).
std::string debriefText();
