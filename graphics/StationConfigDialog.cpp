#include "graphics/StationConfigDialog.h"

#include <algorithm>

#include <OgreConfigOptionMap.h>
#include <OgreRenderSystem.h>
#include <OgreRoot.h>

// Xlib's macros (None, Bool, Status) clash with the engine's names: last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

RenderChoices::RenderChoices(Ogre::Root &root) : mRoot(root) {
  for (Ogre::RenderSystem *system : root.getAvailableRenderers())
    mSystems.push_back(system);
  const auto restored = std::find(mSystems.begin(), mSystems.end(), root.getRenderSystem());
  if (restored != mSystems.end())
    mCurrent = static_cast<std::size_t>(restored - mSystems.begin());
}

std::vector<RenderChoices::Row> RenderChoices::rows() const {
  std::vector<Row> rows;
  if (mSystems.empty())
    return rows;
  Ogre::RenderSystem *system = mSystems[mCurrent];
  rows.push_back({"Rendering Subsystem", system->getName(), mSystems.size() < 2});
  for (const auto &[name, option] : system->getConfigOptions())
    rows.push_back({name, option.currentValue, option.immutable || option.possibleValues.size() < 2});
  return rows;
}

namespace {

// The index after (or before) current among count values, wrapping around.
std::size_t stepIndex(std::size_t current, std::size_t count, bool backwards) {
  return backwards ? (current + count - 1) % count : (current + 1) % count;
}

} // namespace

void RenderChoices::step(std::size_t row, bool backwards) {
  if (mSystems.empty())
    return;
  if (row == 0) {
    mCurrent = stepIndex(mCurrent, mSystems.size(), backwards);
    return;
  }
  Ogre::RenderSystem *system = mSystems[mCurrent];
  const Ogre::ConfigOptionMap &options = system->getConfigOptions();
  if (row > options.size())
    return;
  const Ogre::ConfigOption &option = std::next(options.begin(), static_cast<long>(row - 1))->second;
  const Ogre::StringVector &values = option.possibleValues;
  if (option.immutable || values.empty())
    return;
  const auto found = std::find(values.begin(), values.end(), option.currentValue);
  const std::size_t current = found == values.end() ? 0 : static_cast<std::size_t>(found - values.begin());
  system->setConfigOption(option.name, values[stepIndex(current, values.size(), backwards)]);
}

std::string RenderChoices::accept() {
  if (mSystems.empty())
    return "No render system is available (see plugins.cfg).";
  Ogre::RenderSystem *system = mSystems[mCurrent];
  const std::string problem = system->validateConfigOptions();
  if (problem.empty())
    mRoot.setRenderSystem(system);
  return problem;
}

// ---- The window ----

namespace {

const char *const TITLE = "Rendering Settings";
const char *const HINT = "Click a value or use the arrow keys. Return: Accept, Escape: Cancel.";

// Pixels. The buttons' places are fixed: the end-to-end tests click them.
constexpr int WIDTH = 500;
constexpr int HEIGHT = 390;
constexpr int MARGIN = 16;
constexpr int VALUE_COLUMN = 220;
constexpr int FIRST_ROW_TOP = 48;
constexpr int ROW_HEIGHT = 22;
constexpr int VISIBLE_ROWS = 12;
constexpr int MESSAGE_BASELINE = 328;
struct Box {
  int left, top, width, height;
  bool contains(int x, int y) const { return x >= left && x < left + width && y >= top && y < top + height; }
};
constexpr Box CANCEL_BUTTON = {346, 338, 60, 30};
constexpr Box ACCEPT_BUTTON = {416, 338, 60, 30};

enum class Outcome { OPEN, ACCEPTED, CANCELLED };

class DialogWindow {
public:
  DialogWindow(Display *display, RenderChoices &choices) : mDisplay(display), mChoices(choices) {}
  ~DialogWindow() {
    if (mGc)
      XFreeGC(mDisplay, mGc);
    if (mWindow)
      XDestroyWindow(mDisplay, mWindow);
  }
  DialogWindow(const DialogWindow &) = delete;
  DialogWindow &operator=(const DialogWindow &) = delete;

  bool run() {
    create();
    Outcome outcome = Outcome::OPEN;
    while (outcome == Outcome::OPEN) {
      XEvent event;
      XNextEvent(mDisplay, &event);
      outcome = handle(event);
    }
    return outcome == Outcome::ACCEPTED;
  }

private:
  void create() {
    const int screen = DefaultScreen(mDisplay);
    const int left = std::max(0, (DisplayWidth(mDisplay, screen) - WIDTH) / 2);
    const int top = std::max(0, (DisplayHeight(mDisplay, screen) - HEIGHT) / 2);
    mWindow = XCreateSimpleWindow(mDisplay, RootWindow(mDisplay, screen), left, top, WIDTH, HEIGHT, 1,
                                  BlackPixel(mDisplay, screen), WhitePixel(mDisplay, screen));
    XStoreName(mDisplay, mWindow, TITLE);
    XSizeHints *size = XAllocSizeHints();
    size->flags = PPosition | PMinSize | PMaxSize;
    size->x = left;
    size->y = top;
    size->min_width = size->max_width = WIDTH;
    size->min_height = size->max_height = HEIGHT;
    XSetWMNormalHints(mDisplay, mWindow, size);
    XFree(size);
    // Without this the window manager kills the whole connection when the
    // user closes the window, and the program with it.
    mDeleteWindow = XInternAtom(mDisplay, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(mDisplay, mWindow, &mDeleteWindow, 1);
    XSelectInput(mDisplay, mWindow, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask);
    mGc = XCreateGC(mDisplay, mWindow, 0, nullptr);
    XMapRaised(mDisplay, mWindow);
  }

  Outcome handle(XEvent &event) {
    switch (event.type) {
    case MapNotify:
      // Keys reach the dialog without a click first, window manager or not.
      XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
      return Outcome::OPEN;
    case Expose:
      if (event.xexpose.count == 0)
        draw();
      return Outcome::OPEN;
    case ClientMessage:
      return event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == mDeleteWindow
                 ? Outcome::CANCELLED
                 : Outcome::OPEN;
    case KeyPress:
      return handleKey(XLookupKeysym(&event.xkey, 0));
    case ButtonPress:
      return handleClick(event.xbutton.x, event.xbutton.y, event.xbutton.button);
    default:
      return Outcome::OPEN;
    }
  }

  Outcome handleKey(KeySym key) {
    const std::size_t count = mChoices.rows().size();
    switch (key) {
    case XK_Return:
    case XK_KP_Enter:
      return tryAccept();
    case XK_Escape:
      return Outcome::CANCELLED;
    case XK_Up:
      mSelected = mSelected == 0 ? 0 : mSelected - 1;
      break;
    case XK_Down:
      mSelected = count == 0 ? 0 : std::min(mSelected + 1, count - 1);
      break;
    case XK_Left:
      changeSelected(true);
      break;
    case XK_Right:
    case XK_space:
      changeSelected(false);
      break;
    default:
      return Outcome::OPEN;
    }
    draw();
    return Outcome::OPEN;
  }

  Outcome handleClick(int x, int y, unsigned button) {
    if (button == Button1 && ACCEPT_BUTTON.contains(x, y))
      return tryAccept();
    if (button == Button1 && CANCEL_BUTTON.contains(x, y))
      return Outcome::CANCELLED;
    const int row = (y - FIRST_ROW_TOP) / ROW_HEIGHT;
    const std::size_t index = static_cast<std::size_t>(row) + mFirstShown;
    if (y >= FIRST_ROW_TOP && row < VISIBLE_ROWS && index < mChoices.rows().size()) {
      mSelected = index;
      if (x >= VALUE_COLUMN)
        changeSelected(button == Button3);
      draw();
    }
    return Outcome::OPEN;
  }

  void changeSelected(bool backwards) {
    mChoices.step(mSelected, backwards);
    mMessage.clear();
    // Another render system has other options.
    mSelected = std::min(mSelected, mChoices.rows().size() - 1);
  }

  Outcome tryAccept() {
    mMessage = mChoices.accept();
    if (mMessage.empty())
      return Outcome::ACCEPTED;
    draw();
    return Outcome::OPEN;
  }

  void text(int x, int y, const std::string &line) {
    XDrawString(mDisplay, mWindow, mGc, x, y, line.c_str(), static_cast<int>(line.size()));
  }

  void button(const Box &box, const char *label) {
    XDrawRectangle(mDisplay, mWindow, mGc, box.left, box.top, box.width, box.height);
    text(box.left + 10, box.top + 19, label);
  }

  void draw() {
    const int screen = DefaultScreen(mDisplay);
    const unsigned long black = BlackPixel(mDisplay, screen);
    const unsigned long white = WhitePixel(mDisplay, screen);
    XClearWindow(mDisplay, mWindow);
    XSetForeground(mDisplay, mGc, black);
    text(MARGIN, 24, HINT);

    const std::vector<RenderChoices::Row> rows = mChoices.rows();
    if (mSelected < mFirstShown)
      mFirstShown = mSelected;
    else if (mSelected >= mFirstShown + VISIBLE_ROWS)
      mFirstShown = mSelected - VISIBLE_ROWS + 1;
    for (std::size_t i = mFirstShown; i < rows.size() && i < mFirstShown + VISIBLE_ROWS; ++i) {
      const int top = FIRST_ROW_TOP + static_cast<int>(i - mFirstShown) * ROW_HEIGHT;
      if (i == mSelected) {
        XFillRectangle(mDisplay, mWindow, mGc, MARGIN - 4, top, WIDTH - 2 * MARGIN + 8, ROW_HEIGHT);
        XSetForeground(mDisplay, mGc, white);
      }
      const RenderChoices::Row &row = rows[i];
      text(MARGIN, top + 15, row.name);
      text(VALUE_COLUMN, top + 15, row.fixed ? row.value : "< " + row.value + " >");
      XSetForeground(mDisplay, mGc, black);
    }
    text(MARGIN, MESSAGE_BASELINE, mMessage);
    button(CANCEL_BUTTON, "Cancel");
    button(ACCEPT_BUTTON, "Accept");
    XFlush(mDisplay);
  }

  Display *mDisplay;
  RenderChoices &mChoices;
  Window mWindow = 0;
  GC mGc = nullptr;
  Atom mDeleteWindow = 0;
  std::size_t mSelected = 0;
  std::size_t mFirstShown = 0;
  std::string mMessage; // why the last Accept was refused
};

} // namespace

bool StationConfigDialog::display() {
  Display *display = XOpenDisplay(nullptr);
  if (!display)
    return false;
  RenderChoices choices(mRoot);
  bool accepted = false;
  {
    DialogWindow window(display, choices);
    accepted = window.run();
  }
  XCloseDisplay(display);
  return accepted;
}
