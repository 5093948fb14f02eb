// The staged GUI configuration, skin and layout, loaded through CEGUI exactly as
// a station loads them (working directory stage/bin, GraphicsModuleCegui.config,
// CEGUI's own resource provider), drawn by CEGUI's null renderer on a
// 1024x768 screen.
#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

const CEGUI::Sizef kScreen(1024, 768);

bool isAutoWindow(const CEGUI::Window *w) {
  return w->isAutoWindow() || w->getName().find("__auto_") == 0;
}

void collectWindows(CEGUI::Window *w, std::vector<CEGUI::Window *> &out) {
  if (isAutoWindow(w))
    return;
  out.push_back(w);
  for (size_t i = 0; i < w->getChildCount(); ++i)
    collectWindows(w->getChildAtIdx(i), out);
}

class StationGui : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    try {
      renderer = &CEGUI::NullRenderer::create();
      renderer->setDisplaySize(kScreen);
      // The same call a station makes: no resource provider, parser, codec or
      // script module of our own.
      CEGUI::System::create(*renderer, nullptr, nullptr, nullptr, nullptr, "GraphicsModuleCegui.config",
                            "CEGUI-gui-test.log");
      CEGUI::System::getSingleton().notifyDisplaySizeChanged(kScreen);
      root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("Sternwake.layout");
      CEGUI::System::getSingleton().getDefaultGUIContext().setRootWindow(root);
    } catch (const CEGUI::Exception &e) {
      setUpError = e.getMessage().c_str();
    }
  }

  static void TearDownTestSuite() {
    if (CEGUI::System::getSingletonPtr())
      CEGUI::System::destroy();
    if (renderer)
      CEGUI::NullRenderer::destroy(*renderer);
    renderer = nullptr;
    root = nullptr;
  }

  void SetUp() override { ASSERT_TRUE(setUpError.empty()) << setUpError; }

  static CEGUI::Window *find(const std::string &name) { return root->getChildRecursive(name); }

  template <typename T> static T *findAs(const std::string &name) { return dynamic_cast<T *>(find(name)); }

  static CEGUI::Rectf rectOf(const std::string &name) { return find(name)->getUnclippedOuterRect().get(); }

  static inline CEGUI::NullRenderer *renderer = nullptr;
  static inline CEGUI::Window *root = nullptr;
  static inline std::string setUpError;
};

bool contains(const CEGUI::Rectf &outer, const CEGUI::Rectf &inner) {
  const float slack = 0.5f;
  return inner.left() >= outer.left() - slack && inner.top() >= outer.top() - slack &&
         inner.right() <= outer.right() + slack && inner.bottom() <= outer.bottom() + slack;
}

bool overlap(const CEGUI::Rectf &a, const CEGUI::Rectf &b) {
  return a.left() < b.right() && b.left() < a.right() && a.top() < b.bottom() && b.top() < a.bottom();
}

} // namespace

TEST_F(StationGui, ConfigurationLoadsTheSkinFontAndCursorTheProgramNames) {
  CEGUI::GUIContext &context = CEGUI::System::getSingleton().getDefaultGUIContext();
  ASSERT_NE(context.getDefaultFont(), nullptr);
  EXPECT_EQ(context.getDefaultFont()->getName(), "DejaVuSans-10");
  ASSERT_NE(context.getMouseCursor().getDefaultImage(), nullptr);
  EXPECT_EQ(context.getMouseCursor().getDefaultImage()->getName(), "TaharezLook/MouseArrow");
  EXPECT_TRUE(CEGUI::ImageManager::getSingleton().isDefined("TaharezLook/MultiListSelectionBrush"));
  // The shader rows are created at run time from these two types.
  EXPECT_TRUE(CEGUI::WindowFactoryManager::getSingleton().isFalagardMappedType("TaharezLook/StaticText"));
  EXPECT_TRUE(
      CEGUI::WindowFactoryManager::getSingleton().isFalagardMappedType("TaharezLook/HorizontalScrollbar"));
}

// Lookups by name are unambiguous, and every window lies on the screen and
// inside its parent.
TEST_F(StationGui, EveryWindowIsNamedOnceAndLiesOnTheScreenInsideItsParent) {
  const CEGUI::Rectf screen(CEGUI::Vector2f(0, 0), kScreen);
  std::vector<CEGUI::Window *> windows;
  collectWindows(root, windows);
  std::map<std::string, int> seen;
  for (CEGUI::Window *w : windows) {
    EXPECT_EQ(++seen[w->getName().c_str()], 1) << "window name used twice: " << w->getName();
    CEGUI::Rectf area = w->getUnclippedOuterRect().get();
    EXPECT_TRUE(contains(screen, area)) << w->getName() << " leaves the 1024x768 screen";
    EXPECT_GT(area.getWidth(), 0.0f) << w->getName();
    EXPECT_GT(area.getHeight(), 0.0f) << w->getName();
    // A combo box's area includes its drop-down list, which may cover its neighbours.
    if (w == root || dynamic_cast<CEGUI::Combobox *>(w))
      continue;
    CEGUI::Rectf parentArea = w->getParent()->getUnclippedInnerRect().get();
    EXPECT_TRUE(contains(parentArea, area)) << w->getName() << " sticks out of " << w->getParent()->getName();
  }
}

// The program selects these two at set-up to run their handlers, which
// happens only if the layout does not select them already.
TEST_F(StationGui, RadioButtonsTheProgramSelectsAtSetUpStartUnselected) {
  EXPECT_TRUE(findAs<CEGUI::RadioButton>("FacilitatorBtn")->isSelected());
  for (const char *name : {"FacilitatorView", "SendMedkit"}) {
    auto *button = findAs<CEGUI::RadioButton>(name);
    ASSERT_NE(button, nullptr) << name;
    int handled = 0;
    CEGUI::Event::Connection connection =
        button->subscribeEvent(CEGUI::RadioButton::EventSelectStateChanged,
                               CEGUI::Event::Subscriber([&handled](const CEGUI::EventArgs &) {
                                 ++handled;
                                 return true;
                               }));
    button->setSelected(true);
    EXPECT_EQ(handled, 1) << name;
    connection->disconnect();
    button->setSelected(false);
  }
}

TEST_F(StationGui, WindowsShownTogetherDoNotCoverEachOther) {
  const std::string stats = find("OPRole")->getParent()->getName().c_str();
  const std::string dialog = find("StartDemoBtn")->getParent()->getName().c_str();
  const std::vector<std::vector<std::string>> phases = {
      {dialog, stats},
      {"DemoConnection", stats},
      {"FacilitatorWin", "FacilitatorCreate", "FacilitatorSendResource", stats, "RatingMenu"},
      {"FacilitatorWin", "FacilitatorCreate", "FacilitatorSendResource", stats, "EvaluationMenu"},
      {"CommandNPC", stats, "VoiceRecorder", "RatingMenu"},
      {"CommandNPC", stats, "VoiceRecorder", "EvaluationMenu"},
      {"RecoverPassenger", stats, "VoiceRecorder", "RatingMenu"},
      {"RecoverPassenger", stats, "VoiceRecorder", "EvaluationMenu"},
      {"ExtinguishFire", stats, "VoiceRecorder", "RatingMenu"},
      {"ExtinguishFire", stats, "VoiceRecorder", "EvaluationMenu"},
  };
  for (const auto &phase : phases)
    for (size_t i = 0; i < phase.size(); ++i)
      for (size_t j = i + 1; j < phase.size(); ++j)
        EXPECT_FALSE(overlap(rectOf(phase[i]), rectOf(phase[j]))) << phase[i] << " covers " << phase[j];
}

namespace {

void clickAt(CEGUI::GUIContext &context, const CEGUI::Rectf &area) {
  context.injectMousePosition(area.left() + area.getWidth() / 2, area.top() + area.getHeight() / 2);
  context.injectMouseButtonDown(CEGUI::LeftButton);
  context.injectMouseButtonUp(CEGUI::LeftButton);
}

} // namespace

// Camera drags, the wheel and the movement keys are handled on "root": they
// must reach it through the statistics overlay and after a click on any
// control of the role windows.
TEST_F(StationGui, SceneClicksAndKeysReachTheRootWindow) {
  CEGUI::GUIContext &context = CEGUI::System::getSingleton().getDefaultGUIContext();
  int mouseDowns = 0, keyDowns = 0;
  CEGUI::Event::Connection mouse = root->subscribeEvent(
      CEGUI::Window::EventMouseButtonDown, CEGUI::Event::Subscriber([&mouseDowns](const CEGUI::EventArgs &) {
        ++mouseDowns;
        return true;
      }));
  CEGUI::Event::Connection keys = root->subscribeEvent(
      CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber([&keyDowns](const CEGUI::EventArgs &) {
        ++keyDowns;
        return true;
      }));
  root->activate(); // without this CEGUI 0.8 sends no key to anyone before the first click

  clickAt(context, CEGUI::Rectf(600, 650, 610, 660)); // open scene
  EXPECT_EQ(mouseDowns, 1);
  for (const char *overlay : {"OPRole", "OPDebugMsg"}) {
    clickAt(context, rectOf(overlay));
    EXPECT_EQ(mouseDowns, 2) << "a click on " << overlay << " does not reach the scene";
    mouseDowns = 1;
  }
  const std::pair<const char *, const char *> controls[] = {{"FacilitatorWin", "ExitDemoBtn"},
                                                            {"FacilitatorSendResource", "SendExtinguisher"},
                                                            {"CommandNPC", "FollowBtn"},
                                                            {"RecoverPassenger", "RecoveryBtn"},
                                                            {"ExtinguishFire", "ExtinguishBtn"}};
  for (const auto &[window, control] : controls) {
    find(window)->setVisible(true);
    clickAt(context, rectOf(control));
    keyDowns = 0;
    context.injectKeyDown(CEGUI::Key::W);
    EXPECT_EQ(keyDowns, 1) << "a key after clicking " << control << " does not reach root";
    find(window)->setVisible(false);
  }
  static_cast<CEGUI::RadioButton *>(find("SendExtinguisher"))->setSelected(false);
  mouse->disconnect();
  keys->disconnect();
}
