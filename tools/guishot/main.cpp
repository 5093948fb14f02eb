// guishot: renders the station's GUI through CEGUI's OGRE renderer in a
// 1024x768 OGRE window (GL render system) and writes one screenshot per phase:
// start dialog, lobby, each role's screen, rating and score screens.
//   guishot <output directory>        (working directory: stage/bin)
// Run it under Xvfb with Mesa's software GL. It fails when the GUI set-up
// fails or a phase renders nothing but the background.
#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <OGRE/Ogre.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#ifndef SW_OGRE_PLUGIN_DIR
#error "SW_OGRE_PLUGIN_DIR must name the directory of OGRE's plug-ins"
#endif

namespace fs = std::filesystem;

namespace {

constexpr unsigned kWidth = 1024;
constexpr unsigned kHeight = 768;
const Ogre::ColourValue kBackground(0.16f, 0.24f, 0.32f, 1.0f);

const char *const kPictures[] = {"captain.jpg", "medic.jpg", "fireman.jpg", "question.jpg", "tick.jpg"};

// The windows whose pictures the station sets once at start-up.
const std::pair<const char *, const char *> kStartPictures[] = {
    {"CaptainConnImage", "captain.jpg"},   {"MedicConnImage", "medic.jpg"},
    {"FiremanConnImage", "fireman.jpg"},   {"FacilitatorConnImage", "question.jpg"},
    {"CaptainRateImage", "captain.jpg"},   {"MedicRateImage", "medic.jpg"},
    {"FiremanRateImage", "fireman.jpg"},   {"CaptainEvaluationImage", "captain.jpg"},
    {"MedicEvaluationImage", "medic.jpg"}, {"FiremanEvaluationImage", "fireman.jpg"},
};

struct Phase {
  std::string name;               // screenshot file stem
  std::vector<std::string> shown; // top-level windows shown, all others hidden
  std::function<void()> fill;     // puts example contents into the windows
};

class GuiShot {
public:
  explicit GuiShot(fs::path outputDir) : mOutputDir(std::move(outputDir)) {}
  ~GuiShot() { shutDown(); }

  void startUp() {
    mLogs = std::make_unique<Ogre::LogManager>();
    mLogs->createLog("guishot-ogre.log", true, false, true);
    mRoot = std::make_unique<Ogre::Root>("", "", "");
    mRoot->loadPlugin(std::string(SW_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
    mRoot->loadPlugin(std::string(SW_OGRE_PLUGIN_DIR) + "/Codec_FreeImage");
    mRoot->setRenderSystem(mRoot->getAvailableRenderers().front());
    mRoot->initialise(false);
    mWindow = mRoot->createRenderWindow("guishot", kWidth, kHeight, false);
    Ogre::SceneManager *scene = mRoot->createSceneManager();
    Ogre::Camera *camera = scene->createCamera("guishot");
    scene->getRootSceneNode()->attachObject(camera);
    mWindow->addViewport(camera)->setBackgroundColour(kBackground);
    startGui();
  }

  bool renderPhase(const Phase &phase) {
    CEGUI::Window *root = guiRoot();
    for (size_t i = 0; i < root->getChildCount(); ++i) {
      CEGUI::Window *w = root->getChildAtIdx(i);
      w->setVisible(std::find(phase.shown.begin(), phase.shown.end(), w->getName().c_str()) !=
                    phase.shown.end());
    }
    if (phase.fill)
      phase.fill();
    for (int i = 0; i < 3; ++i) {
      CEGUI::System::getSingleton().injectTimePulse(0.05f);
      mRoot->renderOneFrame();
    }
    fs::path file = mOutputDir / (phase.name + ".png");
    mWindow->writeContentsToFile(file.string());
    double drawn = fractionNotBackground();
    std::cout << file.string() << ": " << std::lround(drawn * 100) << "% of the screen is GUI\n";
    return drawn > 0.02;
  }

  static CEGUI::Window *find(const char *name) { return guiRoot()->getChildRecursive(name); }

private:
  // What the station's GUI bootstrap does, in CEGUI 0.8 terms.
  void startGui() {
    mGuiRenderer = &CEGUI::OgreRenderer::create(*mWindow);
    CEGUI::System::create(*mGuiRenderer, nullptr, nullptr, nullptr, nullptr, "GraphicsModuleCegui.config",
                          "CEGUI-guishot.log");
    CEGUI::Window *root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("Sternwake.layout");
    CEGUI::System::getSingleton().getDefaultGUIContext().setRootWindow(root);
    CEGUI::ImageManager &images = CEGUI::ImageManager::getSingleton();
    for (const char *file : kPictures)
      images.addFromImageFile(file, std::string("../Media/gui/images/") + file);
    for (const auto &[window, file] : kStartPictures)
      find(window)->setProperty("Image", file);
  }

  static CEGUI::Window *guiRoot() {
    return CEGUI::System::getSingleton().getDefaultGUIContext().getRootWindow();
  }

  double fractionNotBackground() {
    std::vector<Ogre::uint8> pixels(kWidth * kHeight * 4);
    Ogre::PixelBox box(kWidth, kHeight, 1, Ogre::PF_BYTE_RGBA, pixels.data());
    mWindow->copyContentsToMemory(box, box);
    const int bg[3] = {static_cast<int>(kBackground.r * 255), static_cast<int>(kBackground.g * 255),
                       static_cast<int>(kBackground.b * 255)};
    size_t differing = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
      if (std::abs(pixels[i] - bg[0]) + std::abs(pixels[i + 1] - bg[1]) + std::abs(pixels[i + 2] - bg[2]) >
          12)
        ++differing;
    return static_cast<double>(differing) / (kWidth * kHeight);
  }

  void shutDown() {
    if (CEGUI::System::getSingletonPtr())
      CEGUI::System::destroy();
    if (mGuiRenderer)
      CEGUI::OgreRenderer::destroy(*mGuiRenderer);
    mGuiRenderer = nullptr;
    mRoot.reset();
    mLogs.reset();
  }

  fs::path mOutputDir;
  std::unique_ptr<Ogre::LogManager> mLogs;
  std::unique_ptr<Ogre::Root> mRoot;
  Ogre::RenderWindow *mWindow = nullptr;
  CEGUI::OgreRenderer *mGuiRenderer = nullptr;
};

void setText(const char *window, const char *text) {
  GuiShot::find(window)->setText(text);
}

void setImage(const char *window, const char *file) {
  GuiShot::find(window)->setProperty("Image", file);
}

void setProgress(const char *window, float value) {
  static_cast<CEGUI::ProgressBar *>(GuiShot::find(window))->setProgress(value);
}

void select(const char *radioButton) {
  static_cast<CEGUI::RadioButton *>(GuiShot::find(radioButton))->setSelected(true);
}

void fillStatistics(const char *role) {
  setText("OPRole", (std::string("Role: ") + role).c_str());
  setText("OPCurrentFPS", "Current FPS: 59.8");
  setText("OPAverageFPS", "Average FPS: 60.1");
  setText("OPBestFPS", "Best FPS: 61.2 15 ms");
  setText("OPWorstFPS", "Worst FPS: 41.7 31 ms");
  setText("OPTriCount", "Triangle Count: 48212");
}

std::vector<Phase> phases() {
  const std::string stats = GuiShot::find("OPRole")->getParent()->getName().c_str();
  const std::string dialog = GuiShot::find("StartDemoBtn")->getParent()->getName().c_str();
  const std::vector<std::string> facilitator = {stats, "FacilitatorWin", "FacilitatorCreate",
                                                "FacilitatorSendResource"};
  auto with = [](std::vector<std::string> windows, const char *extra) {
    windows.push_back(extra);
    return windows;
  };
  return {
      {"1-start-dialog", {dialog, stats}, [] { setText("ValueIPText", "192.168.1.20"); }},
      {"2-lobby",
       {"DemoConnection", stats},
       [] {
         setText("CaptainConnection", "Captain : Connected...");
         setImage("CaptainImage", "captain.jpg");
         setText("MedicConnection", "Medical Chief : Not connected...");
         setImage("MedicImage", "question.jpg");
         setText("FiremanConnection", "Fire&Rescue Chief : Connected...");
         setImage("FiremanImage", "fireman.jpg");
       }},
      {"3-facilitator", facilitator,
       [] {
         fillStatistics("facilitator");
         select("FacilitatorView");
         select("SendMedkit");
       }},
      {"4-captain", {stats, "CommandNPC"}, [] { fillStatistics("captain"); }},
      {"5-medic",
       {stats, "RecoverPassenger", "VoiceRecorder"},
       [] {
         fillStatistics("medic");
         setProgress("RecoveryProgress", 0.4f);
         setProgress("RecoveryResourceProgress", 0.75f);
         setProgress("VoiceProgress", 0.6f);
       }},
      {"6-fireman",
       {stats, "ExtinguishFire"},
       [] {
         fillStatistics("fireman");
         setProgress("ExtinguishProgress", 0.8f);
         setProgress("FireResourceProgress", 0.5f);
       }},
      {"7-rating", with(facilitator, "RatingMenu"),
       [] {
         fillStatistics("facilitator");
         setText("CaptainRateScore", "85");
         setText("MedicRateScore", "70");
         setImage("FiremanRateImage", "tick.jpg");
       }},
      {"8-scores", with(facilitator, "EvaluationMenu"),
       [] {
         fillStatistics("facilitator");
         setText("Waiting", "Simulation Scores");
         setText("CaptainEvaluationScore", "73");
         setText("MedicEvaluationScore", "64");
         setText("FiremanEvaluationScore", "81");
         setText("NumberOfPassengersNo", "8");
         setText("NumberOfPassengersRescuedNo", "5");
         setText("NumberOfPassengersHealedNo", "4");
         setText("NumberOfFireNo", "6");
         setText("NumberOfFireExtinguishedNo", "3");
       }},
  };
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: guishot <output directory>   (run in stage/bin under Xvfb)\n";
    return 2;
  }
  try {
    fs::create_directories(argv[1]);
    GuiShot shot(argv[1]);
    shot.startUp();
    bool allDrawn = true;
    for (const Phase &phase : phases())
      allDrawn = shot.renderPhase(phase) && allDrawn;
    return allDrawn ? 0 : 1;
  } catch (const Ogre::Exception &e) {
    std::cerr << "guishot: " << e.getFullDescription() << "\n";
  } catch (const CEGUI::Exception &e) {
    std::cerr << "guishot: " << e.getMessage() << "\n";
  } catch (const std::exception &e) {
    std::cerr << "guishot: " << e.what() << "\n";
  }
  return 1;
}
