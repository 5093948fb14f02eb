#pragma once
// How long a short on-screen message (a screenshot's "Saved: ...") stays up.

class MessageTimer {
public:
  // (Re)starts the message's time: seconds > 0.
  void start(double seconds) { mSecondsLeft = seconds; }
  // Counts a frame of frameSeconds off; true exactly once, on the frame the
  // time runs out (the message is then taken down).
  bool expired(double frameSeconds) {
    if (mSecondsLeft <= 0)
      return false;
    mSecondsLeft -= frameSeconds;
    return mSecondsLeft <= 0;
  }
  bool running() const { return mSecondsLeft > 0; }

private:
  double mSecondsLeft = 0;
};
