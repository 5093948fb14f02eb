#include "refapp/OgreRefAppPrerequisites.h"

#include <cstdio>
#include <cstdlib>

namespace OgreRefApp {
namespace {

void abortOnFailure(const char *message, const char *unit) {
  std::fprintf(stderr, "Assertion failed in %s: %s\n", unit, message);
  std::abort();
}

AssertionHandler currentHandler = &abortOnFailure;

} // namespace

AssertionHandler setAssertionHandler(AssertionHandler handler) {
  AssertionHandler previous = currentHandler;
  currentHandler = handler ? handler : &abortOnFailure;
  return previous;
}

bool checkPrecondition(bool condition, const char *message, const char *unit) {
  if (!condition)
    currentHandler(message, unit);
  return condition;
}

} // namespace OgreRefApp
