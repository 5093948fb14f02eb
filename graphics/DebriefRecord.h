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
//                fireman crew, fire), "x", "y", "z", "state"}
//   "counters":  passengers, rescued, healed, fires, extinguished
//   "supplies":  medkits, extinguishers
//   "timeline":  every action applied to the scene, oldest first:
//                {"t": seconds since the station started, "role": 0..3,
//                 "action": join | leave | move | state | start | ..., "target": text}
// Coordinates are level units, angles degrees.

#include <cstdint>
#include <string>

// Appends one entry to the timeline and marks the record changed.
void recordAction(std::uint32_t role, const std::string &action, const std::string &target);
// Something in the record changed; the next due write takes it.
void markDebriefChanged();
// Writes "debrief.json" now.
void writeDebrief();
// Writes it when it changed and the last write is a second old.
void writeDebriefIfDue();
// The record's JSON text (what writeDebrief writes).
std::string debriefText();
