// The staged GUI configuration, skin and layout, loaded through CEGUI exactly as
// a station loads them (working directory stage/bin, GraphicsModuleCegui.config,
// CEGUI's own resource provider), drawn by CEGUI's null renderer on a
// 1024x768 screen.
#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

enum class Kind {
  FrameWindow,
  PushButton,
  RadioButton,
  CheckBox,
  ComboBox,
  VerticalScrollBar,
  ProgressBar,
  EditBox,
  StaticText,
  StaticImage
};

struct NamedWindow {
  const char *name;
  Kind kind;
};

// Every window the program looks up by name, with the kind it treats it as.
const NamedWindow kNamedWindows[] = {
    // the start dialog and the lobby
    {"StartDemoBtn", Kind::PushButton},
    {"ValueIPText", Kind::EditBox},
    {"FacilitatorBtn", Kind::RadioButton},
    {"CaptainBtn", Kind::RadioButton},
    {"MedicBtn", Kind::RadioButton},
    {"FireBtn", Kind::RadioButton},
    {"CaptainConnImage", Kind::StaticImage},
    {"MedicConnImage", Kind::StaticImage},
    {"FiremanConnImage", Kind::StaticImage},
    {"FacilitatorConnImage", Kind::StaticImage},
    {"DemoConnection", Kind::FrameWindow},
    {"CaptainConnection", Kind::StaticText},
    {"MedicConnection", Kind::StaticText},
    {"FiremanConnection", Kind::StaticText},
    {"CaptainImage", Kind::StaticImage},
    {"MedicImage", Kind::StaticImage},
    {"FiremanImage", Kind::StaticImage},
    {"StartConnectionBtn", Kind::PushButton},
    // the facilitator's windows
    {"FacilitatorWin", Kind::FrameWindow},
    {"FacilitatorView", Kind::RadioButton},
    {"CaptainView", Kind::RadioButton},
    {"MedicView", Kind::RadioButton},
    {"FireView", Kind::RadioButton},
    {"ExitDemoBtn", Kind::PushButton},
    {"FacilitatorCreate", Kind::FrameWindow},
    {"AddPassenger", Kind::PushButton},
    {"CreateFire", Kind::PushButton},
    {"FacilitatorSendResource", Kind::FrameWindow},
    {"SendMedkit", Kind::RadioButton},
    {"SendExtinguisher", Kind::RadioButton},
    {"SendResource", Kind::PushButton},
    // the chiefs' windows
    {"CommandNPC", Kind::FrameWindow},
    {"FollowBtn", Kind::PushButton},
    {"ReleaseFollowBtn", Kind::PushButton},
    {"DirectBtn", Kind::PushButton},
    {"RecoverPassenger", Kind::FrameWindow},
    {"RecoveryBtn", Kind::PushButton},
    {"RecoveryProgress", Kind::ProgressBar},
    {"RecoveryResourceProgress", Kind::ProgressBar},
    {"ExtinguishFire", Kind::FrameWindow},
    {"ExtinguishBtn", Kind::PushButton},
    {"ExtinguishProgress", Kind::ProgressBar},
    {"FireResourceProgress", Kind::ProgressBar},
    {"VoiceRecorder", Kind::FrameWindow},
    {"VoiceProgress", Kind::ProgressBar},
    // rating and score screens
    {"RatingMenu", Kind::FrameWindow},
    {"CaptainRateScore", Kind::EditBox},
    {"MedicRateScore", Kind::EditBox},
    {"FiremanRateScore", Kind::EditBox},
    {"CaptainRateImage", Kind::StaticImage},
    {"MedicRateImage", Kind::StaticImage},
    {"FiremanRateImage", Kind::StaticImage},
    {"Continue", Kind::PushButton},
    {"EvaluationMenu", Kind::FrameWindow},
    {"Waiting", Kind::StaticText},
    {"CaptainEvaluationScore", Kind::StaticText},
    {"MedicEvaluationScore", Kind::StaticText},
    {"FiremanEvaluationScore", Kind::StaticText},
    {"NumberOfPassengersNo", Kind::StaticText},
    {"NumberOfPassengersRescuedNo", Kind::StaticText},
    {"NumberOfPassengersHealedNo", Kind::StaticText},
    {"NumberOfFireNo", Kind::StaticText},
    {"NumberOfFireExtinguishedNo", Kind::StaticText},
    {"CaptainEvaluationImage", Kind::StaticImage},
    {"MedicEvaluationImage", Kind::StaticImage},
    {"FiremanEvaluationImage", Kind::StaticImage},
    {"ExitEvaluation", Kind::PushButton},
    // on-screen statistics
    {"OPRole", Kind::StaticText},
    {"OPAverageFPS", Kind::StaticText},
    {"OPCurrentFPS", Kind::StaticText},
    {"OPBestFPS", Kind::StaticText},
    {"OPWorstFPS", Kind::StaticText},
    {"OPTriCount", Kind::StaticText},
    {"OPDebugMsg", Kind::StaticText},
    // model viewer and shader controls
    {"OceanDemo/MainWin", Kind::FrameWindow},
    {"ShaderControlsWin", Kind::FrameWindow},
    {"MovementControlsWin", Kind::FrameWindow},
    {"ShaderCombos", Kind::ComboBox},
    {"ModelCombos", Kind::ComboBox},
    {"VerticalScroll", Kind::VerticalScrollBar},
    {"CameraRBtn", Kind::RadioButton},
    {"ModelRBtn", Kind::RadioButton},
    {"ModelSpinCB", Kind::CheckBox},
    {"LightSpinCB", Kind::CheckBox},
    {"ExitDemoButton", Kind::PushButton},
};

const char *typeOf(Kind kind) {
  switch (kind) {
  case Kind::FrameWindow:
    return "TaharezLook/FrameWindow";
  case Kind::PushButton:
    return "TaharezLook/Button";
  case Kind::RadioButton:
    return "TaharezLook/RadioButton";
  case Kind::CheckBox:
    return "TaharezLook/Checkbox";
  case Kind::ComboBox:
    return "TaharezLook/Combobox";
  case Kind::VerticalScrollBar:
    return "TaharezLook/VerticalScrollbar";
  case Kind::ProgressBar:
    return "TaharezLook/ProgressBar";
  case Kind::EditBox:
    return "TaharezLook/Editbox";
  case Kind::StaticText:
    return "TaharezLook/StaticText";
  case Kind::StaticImage:
    return "TaharezLook/StaticImage";
  }
  return "";
}

// The widget class the program casts the window to.
bool hasWidgetClass(CEGUI::Window *w, Kind kind) {
  switch (kind) {
  case Kind::FrameWindow:
    return dynamic_cast<CEGUI::FrameWindow *>(w) != nullptr;
  case Kind::PushButton:
    return dynamic_cast<CEGUI::PushButton *>(w) != nullptr;
  case Kind::RadioButton:
    return dynamic_cast<CEGUI::RadioButton *>(w) != nullptr;
  case Kind::CheckBox:
    return dynamic_cast<CEGUI::ToggleButton *>(w) != nullptr &&
           dynamic_cast<CEGUI::RadioButton *>(w) == nullptr;
  case Kind::ComboBox:
    return dynamic_cast<CEGUI::Combobox *>(w) != nullptr;
  case Kind::VerticalScrollBar:
    return dynamic_cast<CEGUI::Scrollbar *>(w) != nullptr;
  case Kind::ProgressBar:
    return dynamic_cast<CEGUI::ProgressBar *>(w) != nullptr;
  case Kind::EditBox:
    return dynamic_cast<CEGUI::Editbox *>(w) != nullptr;
  case Kind::StaticText:
  case Kind::StaticImage:
    return w->getWindowRendererName() == (kind == Kind::StaticText ? "Core/StaticText" : "Core/StaticImage");
  }
  return false;
}

struct RadioGroup {
  const char *purpose;
  std::vector<std::pair<const char *, unsigned>> buttons; // name, ID
};

const RadioGroup kRadioGroups[] = {
    {"role", {{"FacilitatorBtn", 0}, {"CaptainBtn", 1}, {"MedicBtn", 2}, {"FireBtn", 3}}},
    {"resource", {{"SendMedkit", 0}, {"SendExtinguisher", 1}}},
    {"view", {{"CaptainView", 0}, {"MedicView", 1}, {"FireView", 2}, {"FacilitatorView", 3}}},
    {"camera or model", {{"CameraRBtn", 0}, {"ModelRBtn", 1}}},
};

const char *const kPictures[] = {"captain.jpg", "medic.jpg", "fireman.jpg", "question.jpg", "tick.jpg"};

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

TEST_F(StationGui, ConfigurationLoadsTaharezLookItsDefaultFontAndCursor) {
  EXPECT_TRUE(CEGUI::SchemeManager::getSingleton().isDefined("TaharezLook"));
  EXPECT_TRUE(CEGUI::FontManager::getSingleton().isDefined("DejaVuSans-10"));
  CEGUI::GUIContext &context = CEGUI::System::getSingleton().getDefaultGUIContext();
  ASSERT_NE(context.getDefaultFont(), nullptr);
  EXPECT_EQ(context.getDefaultFont()->getName(), "DejaVuSans-10");
  ASSERT_NE(context.getMouseCursor().getDefaultImage(), nullptr);
  EXPECT_EQ(context.getMouseCursor().getDefaultImage()->getName(), "TaharezLook/MouseArrow");
  // The images the program names: the cursor and the list items' selection brush.
  EXPECT_TRUE(CEGUI::ImageManager::getSingleton().isDefined("TaharezLook/MouseArrow"));
  EXPECT_TRUE(CEGUI::ImageManager::getSingleton().isDefined("TaharezLook/MultiListSelectionBrush"));
  // The shader rows are created at run time from these two types.
  EXPECT_TRUE(CEGUI::WindowFactoryManager::getSingleton().isFalagardMappedType("TaharezLook/StaticText"));
  EXPECT_TRUE(
      CEGUI::WindowFactoryManager::getSingleton().isFalagardMappedType("TaharezLook/HorizontalScrollbar"));
}

TEST_F(StationGui, LayoutRootIsAWindowNamedRootCoveringTheScreen) {
  EXPECT_EQ(root->getName(), "root");
  EXPECT_EQ(root->getType(), "DefaultWindow");
  EXPECT_FALSE(root->isMousePassThroughEnabled()); // drags on the scene reach it
  CEGUI::Rectf area = root->getUnclippedOuterRect().get();
  EXPECT_FLOAT_EQ(area.left(), 0.0f);
  EXPECT_FLOAT_EQ(area.top(), 0.0f);
  EXPECT_FLOAT_EQ(area.getWidth(), kScreen.d_width);
  EXPECT_FLOAT_EQ(area.getHeight(), kScreen.d_height);
}

TEST_F(StationGui, EveryWindowTheProgramNamesExistsWithItsKind) {
  for (const NamedWindow &entry : kNamedWindows) {
    SCOPED_TRACE(entry.name);
    CEGUI::Window *w = find(entry.name);
    ASSERT_NE(w, nullptr) << "missing window " << entry.name;
    EXPECT_EQ(w->getName(), entry.name);
    EXPECT_EQ(w->getType(), typeOf(entry.kind));
    EXPECT_TRUE(hasWidgetClass(w, entry.kind));
  }
  // The start dialog has no fixed name: it is the parent of "StartDemoBtn".
  CEGUI::Window *dialog = find("StartDemoBtn")->getParent();
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(dynamic_cast<CEGUI::FrameWindow *>(dialog), nullptr);
}

TEST_F(StationGui, WindowNamesAreUniqueSoALookupByNameIsUnambiguous) {
  std::vector<CEGUI::Window *> windows;
  collectWindows(root, windows);
  std::map<std::string, int> seen;
  for (CEGUI::Window *w : windows)
    ++seen[w->getName().c_str()];
  for (const auto &[name, count] : seen)
    EXPECT_EQ(count, 1) << "window name used " << count << " times: " << name;
  EXPECT_GE(windows.size(), std::size(kNamedWindows));
}

TEST_F(StationGui, RadioButtonGroupsCarryTheirIdsAndExcludeEachOther) {
  std::set<unsigned long> groupIds;
  for (const RadioGroup &group : kRadioGroups) {
    SCOPED_TRACE(group.purpose);
    auto *first = findAs<CEGUI::RadioButton>(group.buttons.front().first);
    ASSERT_NE(first, nullptr);
    groupIds.insert(first->getGroupID());
    for (const auto &[name, id] : group.buttons) {
      auto *button = findAs<CEGUI::RadioButton>(name);
      ASSERT_NE(button, nullptr) << name;
      EXPECT_EQ(button->getID(), id) << name;
      // CEGUI groups radio buttons by group ID among siblings.
      EXPECT_EQ(button->getGroupID(), first->getGroupID()) << name;
      EXPECT_EQ(button->getParent(), first->getParent()) << name;
    }
  }
  EXPECT_EQ(groupIds.size(), std::size(kRadioGroups)) << "two groups share a group ID";
}

TEST_F(StationGui, RadioSelectionsAtLoadAgreeWithTheStationsStartSettings) {
  // A station starts as the facilitator's server with the camera (not the model) moving.
  EXPECT_TRUE(findAs<CEGUI::RadioButton>("FacilitatorBtn")->isSelected());
  EXPECT_TRUE(findAs<CEGUI::RadioButton>("CameraRBtn")->isSelected());
  for (const char *name : {"CaptainBtn", "MedicBtn", "FireBtn", "ModelRBtn"})
    EXPECT_FALSE(findAs<CEGUI::RadioButton>(name)->isSelected()) << name;
  // The program selects these two at set-up to run their handlers, which
  // happens only if they are not selected already.
  for (const char *name : {"FacilitatorView", "SendMedkit"}) {
    auto *button = findAs<CEGUI::RadioButton>(name);
    EXPECT_FALSE(button->isSelected()) << name;
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

TEST_F(StationGui, OnlyTheStartDialogAndTheStatisticsAreShownAtStart) {
  CEGUI::Window *dialog = find("StartDemoBtn")->getParent();
  const std::set<CEGUI::Window *> shown = {dialog, find("OPRole")->getParent()};
  for (size_t i = 0; i < root->getChildCount(); ++i) {
    CEGUI::Window *w = root->getChildAtIdx(i);
    EXPECT_EQ(w->isVisible(), shown.count(w) == 1) << w->getName();
  }
  for (const char *name : {"OPRole", "OPAverageFPS", "OPCurrentFPS", "OPBestFPS", "OPWorstFPS", "OPTriCount",
                           "OPDebugMsg", "StartDemoBtn", "ValueIPText", "FacilitatorBtn", "FireBtn"})
    EXPECT_TRUE(find(name)->isEffectiveVisible()) << name;
  for (const char *name : {"DemoConnection", "FacilitatorWin", "FacilitatorCreate", "FacilitatorSendResource",
                           "CommandNPC", "RecoverPassenger", "ExtinguishFire", "VoiceRecorder", "RatingMenu",
                           "EvaluationMenu", "OceanDemo/MainWin", "ShaderControlsWin", "MovementControlsWin"})
    EXPECT_FALSE(find(name)->isEffectiveVisible()) << name;
  // Hiding the parent of "StartDemoBtn" removes the whole start dialog.
  dialog->setVisible(false);
  for (const char *name :
       {"StartDemoBtn", "ValueIPText", "FacilitatorBtn", "CaptainBtn", "MedicBtn", "FireBtn",
        "FacilitatorConnImage", "CaptainConnImage", "MedicConnImage", "FiremanConnImage"})
    EXPECT_FALSE(find(name)->isEffectiveVisible()) << name;
  dialog->setVisible(true);
}

TEST_F(StationGui, EveryWindowLiesOnTheScreenAndInsideItsParent) {
  const CEGUI::Rectf screen(CEGUI::Vector2f(0, 0), kScreen);
  std::vector<CEGUI::Window *> windows;
  collectWindows(root, windows);
  for (CEGUI::Window *w : windows) {
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

TEST_F(StationGui, PicturesLoadFromTheMediaDirectoryAsTheProgramLoadsThem) {
  CEGUI::ImageManager &images = CEGUI::ImageManager::getSingleton();
  for (const char *file : kPictures) {
    SCOPED_TRACE(file);
    if (!images.isDefined(file))
      images.addFromImageFile(file, std::string("../Media/gui/images/") + file);
    const CEGUI::Image &picture = images.get(file);
    EXPECT_FLOAT_EQ(picture.getRenderedSize().d_width, 128.0f);
    EXPECT_FLOAT_EQ(picture.getRenderedSize().d_height, 128.0f);
  }
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
