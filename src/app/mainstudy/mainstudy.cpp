#include "mainstudy/mainstudy.h"

#include "hextext/hextext.h"
#include "mainstudy/keypad.h"
#include "receive/receivechain.h"
#include "workerthread.h"
#include "skins/skins.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QThread>
#include <QTimer>

#ifndef TVQ31_DOWNLOAD_SITE
#define TVQ31_DOWNLOAD_SITE "https://tvq31.example.net/download"
#endif

namespace tvq31 {
namespace {

constexpr int kWindowWidth = 1016;
constexpr int kWindowHeight = 733;
const QColor kWindowColour(53, 124, 168);

const QString kAppTitle = QStringLiteral("TVQ31Ⅱ");
// The type code of the remotes this program serves, and the one that marks
// firmware too old to learn.
constexpr std::string_view kOurType = "0002";
constexpr std::string_view kOldFirmwareType = "8888";

QFont LabelFont(const QString& family, int pixels) {
  QFont font;
  font.setFamilies({family, QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  font.setPixelSize(pixels);
  return font;
}

QLabel* MakePicture(QWidget* parent, const char* name, int left, int top, int width,
                    int height, bool stretched) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(left, top, width, height);
  label->setScaledContents(stretched);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QLabel* MakeInfoLabel(QWidget* parent, const char* name, int left, int top, int width,
                      int height) {
  QLabel* label = MakePicture(parent, name, left, top, width, height, false);
  label->setFont(LabelFont(QStringLiteral("MS Sans Serif"), 11));
  label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

// Characters `first` to `first + count - 1` (1-based) of the basic
// information.
std::string_view InfoChars(std::string_view info, std::size_t first, std::size_t count) {
  return info.substr(first - 1, count);
}

}  // namespace

QString DownloadSite() { return QStringLiteral(TVQ31_DOWNLOAD_SITE); }

Tmainselfstudy::Tmainselfstudy(DeviceAccess& device, Prompter& prompter,
                               DisplayModes& display, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      device_(device),
      prompter_(prompter),
      display_(display) {
  setObjectName(QStringLiteral("mainselfstudy"));
  setWindowTitle(QStringLiteral("自学习"));
  setFixedSize(kWindowWidth, kWindowHeight);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kWindowColour);
  setPalette(palette);
  setAutoFillBackground(true);
  // At the top edge of the screen, centred; again whenever the display mode
  // changes.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    CentreOnScreen(screen->geometry().size());
    connect(screen, &QScreen::geometryChanged, this,
            [this](const QRect& area) { CentreOnScreen(area.size()); });
  }
  BuildControls();
  FormCreate();
}

Tmainselfstudy::~Tmainselfstudy() { StopWorkers(); }

void Tmainselfstudy::CentreOnScreen(const QSize& screen) {
  const QScreen* primary = QGuiApplication::primaryScreen();
  const QPoint origin = primary != nullptr ? primary->geometry().topLeft() : QPoint();
  move(origin.x() + (screen.width() - kWindowWidth) / 2, origin.y());
}

void Tmainselfstudy::BuildControls() {
  Image1 = MakePicture(this, "Image1", 0, 0, kWindowWidth, kWindowHeight, false);
  Image1->setPixmap(WindowPicture(QStringLiteral("background")));

  BuildKeyPad();

  Imagehint = MakePicture(this, "Imagehint", 474, 276, 409, 72, true);
  donghuaflash2 = new TShockwaveFlash(this);
  donghuaflash2->setObjectName(QStringLiteral("donghuaflash2"));
  donghuaflash2->setGeometry(472, 276, 413, 72);
  donghuaflash2->hide();

  runstate_lab = MakePicture(this, "runstate_lab", 475, 365, 406, 25, false);
  runstate_lab->setFont(LabelFont(QStringLiteral("Arial"), 15));
  runstate_lab->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  runstate_lab->setAlignment(Qt::AlignCenter);

  Image4 = MakePicture(this, "Image4", 474, 410, 407, 165, false);
  Image4->setPixmap(WindowPicture(QStringLiteral("Image4")));
  Image5 = MakePicture(this, "Image5", 474, 411, 410, 167, false);
  Image5->setPixmap(WindowPicture(QStringLiteral("Image5")));
  Image7 = MakePicture(this, "Image7", 472, 409, 409, 168, false);
  Image7->setPixmap(WindowPicture(QStringLiteral("Image7")));
  Image8 = MakePicture(this, "Image8", 472, 413, 411, 165, false);
  Image8->setPixmap(WindowPicture(QStringLiteral("Image8")));

  lab_ykqtype = MakeInfoLabel(this, "lab_ykqtype", 655, 118, 228, 16);
  lab_softver = MakeInfoLabel(this, "lab_softver", 655, 155, 233, 14);
  lab_gjbb = MakeInfoLabel(this, "lab_gjbb", 654, 189, 227, 17);
  lab_usbstate = MakeInfoLabel(this, "lab_usbstate", 655, 225, 226, 17);

  beginstudyibtn = MakeCommandButton("beginstudyibtn", 432, 638, 137, 37);
  beginstudyibtn->SetPicture(WindowPicture(QStringLiteral("start")));
  beginstudyibtn->SetDisablePic(WindowPicture(QStringLiteral("stop")));
  delstudykey = MakeCommandButton("delstudykey", 609, 638, 137, 37);
  delallstudykey = MakeCommandButton("delallstudykey", 787, 638, 137, 37);
  IBtn79 = MakeCommandButton("IBtn79", 970, 5, 51, 44);
  IBtn79->setToolTip(QStringLiteral("close"));
  IBtn79->SetPicture(WindowPicture(QStringLiteral("close")));
  updateibtn = MakeCommandButton("updateibtn", 970, 52, 52, 43);
  updateibtn->setToolTip(QStringLiteral("update"));
  updateibtn->SetPicture(WindowPicture(QStringLiteral("update")));
  helpibtn = MakeCommandButton("helpibtn", 970, 95, 51, 47);
  helpibtn->setToolTip(QStringLiteral("help"));
  helpibtn->SetPicture(WindowPicture(QStringLiteral("help")));
  helpibtn->hide();

  connect(beginstudyibtn, &IBtn::Click, this, &Tmainselfstudy::beginstudyibtnClick);
  connect(delstudykey, &IBtn::Click, this, &Tmainselfstudy::IBtn78Click);
  connect(delallstudykey, &IBtn::Click, this, &Tmainselfstudy::delallstudykeyClick);
  connect(IBtn79, &IBtn::Click, this, &Tmainselfstudy::IBtn79Click);
  connect(updateibtn, &IBtn::Click, this, &Tmainselfstudy::updateibtnClick);
  connect(helpibtn, &IBtn::Click, this, &Tmainselfstudy::helpibtnClick);
  connect(beginstudyibtn, &IBtn::MouseMove, this, &Tmainselfstudy::beginstudyibtnMouseMove);
  connect(delstudykey, &IBtn::MouseMove, this, &Tmainselfstudy::delstudykeyMouseMove);
  connect(delallstudykey, &IBtn::MouseMove, this, &Tmainselfstudy::delallstudykeyMouseMove);
  connect(IBtn79, &IBtn::MouseMove, this, &Tmainselfstudy::IBtn79MouseMove);
  connect(updateibtn, &IBtn::MouseMove, this, &Tmainselfstudy::updateibtnMouseMove);
  connect(helpibtn, &IBtn::MouseMove, this, &Tmainselfstudy::helpibtnMouseMove);
}

IBtn* Tmainselfstudy::MakeCommandButton(const char* name, int left, int top, int width,
                                        int height) {
  auto* button = new IBtn(this);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(left, top, width, height);
  button->SetMoveDown(1);
  button->SetMoveRight(1);
  return button;
}

void Tmainselfstudy::BuildKeyPad() {
  ykqbox = new QWidget(this);
  ykqbox->setObjectName(QStringLiteral("ykqbox"));
  ykqbox->setGeometry(kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight);
  ykqbox->setAutoFillBackground(true);  // the window's colour, from the palette
  z = MakePicture(ykqbox, "z", 0, 0, kPanelWidth, kPanelHeight, true);
  z->setPixmap(WindowPicture(QStringLiteral("remote")));

  using Handler = void (Tmainselfstudy::*)();
  static constexpr Handler kHandlers[] = {
#define X(n) &Tmainselfstudy::IBtn##n##Click,
      TVQ31_KEY_NUMBERS(X)
#undef X
  };
  static_assert(std::size(kHandlers) == kKeyCount);
  // Created in the order of their numbers: a later sibling lies on top, so
  // where two keys overlap the higher number receives the press.
  for (int i = 0; i < kKeyCount; ++i) {
    const KeySpec& spec = kKeyPad[i];
    auto* key = new IBtn(ykqbox);
    key->setObjectName(QStringLiteral("IBtn%1").arg(spec.number));
    key->setGeometry(spec.left, spec.top, spec.width, spec.height);
    key->SetPath(QString::fromUtf8(spec.path));
    key->SetCode(QString::fromLatin1(spec.code));
    key->SetMoveDown(1);
    key->SetMoveRight(1);
    key->SetPicture(WindowPicture(QStringLiteral("key%1").arg(spec.number)));
    connect(key, &IBtn::Click, this, kHandlers[i]);
    keys[i] = key;
  }
}

// ---- Lifecycle --------------------------------------------------------------

void Tmainselfstudy::FormCreate() {
  SetApplicationTitle(kAppTitle);
  key_states = KeyStateList{};
  prior_states.clear();
  pending_keys.clear();
  link_monitor = nullptr;
  capture_thread = nullptr;
  closing = learning = table_changed = deleting = startup_failed = false;
  other_remote_attached = false;

  const QString site = DownloadSite();
  const QString message_a =
      QStringLiteral("Low version of RC firmware program! Please download the latest version from ") +
      site + QStringLiteral("!");
  const QString message_b = QStringLiteral(
                                "This version of learning software does not support learning "
                                "operation of this kind of RC. Please download the latest version "
                                "of learning software from ") +
                            site + QStringLiteral("!");
  const QString message_c =
      QStringLiteral("自学习软件版本比较低，请到") + site + QStringLiteral("下载最新的该款自学习软件！");

  for (;;) {
    if (!device_.LinkState()) {
      if (prompter_.Box(QStringLiteral("未检测到遥控器，请检查USB连接线"), kChineseHintCaption,
                        PromptButtons::RetryCancel) == PromptAnswer::Retry) {
        continue;
      }
      startup_failed = true;
      break;
    }
    // Keep the splash window painted.
    QCoreApplication::processEvents();

    const std::string info = device_.ReadBasicInfo();
    // The library always delivers the whole buffer; anything shorter is a
    // failed read.
    if (info.size() < kBasicInfoSize) {
      startup_failed = true;
      return;
    }
    device_id = std::string(InfoChars(info, 1, 30));
    const std::string_view first_pair = InfoChars(info, 65, 2);
    const std::string_view second_pair = InfoChars(info, 67, 2);
    const std::string_view type_code = InfoChars(info, 71, 4);
    lab_gjbb->setText(QStringLiteral(" 2.0"));

    // Version pairs that are not hexadecimal digits come from no remote this
    // program knows: it does not support them.
    const std::optional<int32_t> first = ReadHexNumber(first_pair);
    const std::optional<int32_t> second = ReadHexNumber(second_pair);
    enum { kAccepted, kMessageA, kMessageB, kMessageC } verdict = kAccepted;
    if (type_code == kOldFirmwareType) {
      verdict = kMessageA;
    } else if (type_code != kOurType || !first || !second) {
      verdict = kMessageB;
    } else if (*first > 1) {
      verdict = kMessageB;
    } else if (*first < 1) {
      verdict = kMessageA;
    } else if (*second > 2) {
      verdict = kMessageC;
    } else if (*second < 2) {
      verdict = kMessageB;
    }
    if (verdict != kAccepted) {
      startup_failed = true;
      if (verdict == kMessageA) prompter_.Box(message_a, kHintCaption, PromptButtons::Ok);
      if (verdict == kMessageB) prompter_.Box(message_b, kHintCaption, PromptButtons::Ok);
      if (verdict == kMessageC) prompter_.Plain(message_c);
      break;
    }

    lab_ykqtype->setText(kAppTitle);
    device_image = device_.ReadCodeTypeData();
    learn_image = device_image;
    remote_image = device_image;
    if (device_image.empty()) {
      startup_failed = true;
      return;
    }
    std::string error;
    std::optional<KeyStateList> states = ParseKeyStates(device_image, &error);
    if (!states) {
      // A table the program cannot read must not be rebuilt and written
      // back: that would destroy the codes in it.
      startup_failed = true;
      prompter_.Box(QStringLiteral("The key table of the RC cannot be read: ") +
                        QString::fromStdString(error),
                    kHintCaption, PromptButtons::Ok);
      return;
    }
    key_states = std::move(*states);
    break;
  }
  exe_dir = QCoreApplication::applicationDirPath().toStdString() + "/";
}

void Tmainselfstudy::FormShow() {
  if (startup_failed) {
    // Closed as soon as the window system has shown it.
    QTimer::singleShot(0, this, [this] { close(); });
    return;
  }
  if (link_monitor == nullptr) link_monitor = StartLinkMonitor();
  if (!LoadSkins()) {
    prompter_.Box(QStringLiteral("load picture failly！"), kHintCaption, PromptButtons::Ok);
    startup_failed = true;
    QTimer::singleShot(0, this, [this] { close(); });
    return;
  }
  CheckDisplay();
  ShowKeyStates();
  Imagehint->setPixmap(logo_picture);
  delstudykey->SetPicture(delete_picture);
  delallstudykey->SetPicture(clear_picture);
  if (HasLearnedKeys()) {
    delstudykey->setEnabled(true);
    delallstudykey->setEnabled(true);
    Image4->show();
    Image8->hide();
    Image5->hide();
    Image7->hide();
  } else {
    deleting = false;
    ShowNoLearnedKeys();
  }
  lab_softver->setText(QStringLiteral("V 2.2"));
}

void Tmainselfstudy::CheckDisplay() {
  const QSize screen = display_.ScreenSize();
  if (screen.width() >= 1024) return;
  prompter_.Box(QStringLiteral("Current differentiate rate of your display is") +
                    QString::number(screen.width()) + QStringLiteral("*") +
                    QString::number(screen.height()) +
                    QStringLiteral("\r\nTo run this software, please change it to  1024*768"),
                kHintCaption, PromptButtons::Ok);
  // The switch is for this session only; the result does not matter, the
  // program goes on at whatever resolution results.
  if (display_.ScreenSize().width() < 1024 && display_.SetSessionMode(1024, 768)) {
    CentreOnScreen(display_.ScreenSize());
  }
}

bool Tmainselfstudy::FormCloseQuery() {
  if (device_.LinkState() && learning) {
    prompter_.Box(QStringLiteral("It is learning now!Please stop learning first if you want to exit"),
                  kHintCaption, PromptButtons::Ok);
    return false;
  }
  closing = true;
  if (link_monitor != nullptr) link_monitor->requestInterruption();
  return true;
}

void Tmainselfstudy::FormClose() {
  donghuaflash2->StopPlay();
  if (startup_failed) return;
  // Closing with the remote away may find learning on: its capture is
  // dropped, so nothing changes the tables while the question is open.
  if (learning) LeaveLearning();
  if (other_remote_attached) {
    // The remote attached now is not the one these changes belong to.
    if (table_changed) prompter_.Box(kOtherRemoteText, kHintCaption, PromptButtons::Ok);
  } else {
    // Deletions the user made are written, as leaving delete mode would.
    if (deleting) EndDeleteMode();
    if (table_changed) ConfirmLearning();
  }
  for (auto& set : key_pictures) set.fill(QPixmap());
  key_states = KeyStateList{};
  prior_states.clear();
  pending_keys.clear();
  const QString movie = AnimationFilePath();
  if (!movie.isEmpty() && QFile::exists(movie)) QFile::remove(movie);
}

void Tmainselfstudy::LinkMonitorEnded(bool other_remote) {
  link_monitor = nullptr;
  if (other_remote) {
    other_remote_attached = true;
    // Learning would refuse the close and leave the window locked without
    // a monitor: it ends, without writing anything.
    if (learning) LeaveLearning();
  }
  if (!closing) close();
}

void Tmainselfstudy::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_once_ || event->spontaneous()) return;
  shown_once_ = true;
  FormShow();
}

void Tmainselfstudy::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  closed_ = true;
  FormClose();
  event->accept();
}

// ---- Key pictures -------------------------------------------------------------

void Tmainselfstudy::ShowKeyStates() {
  const QList<IBtn*> buttons = findChildren<IBtn*>();
  for (IBtn* button : buttons) {
    const std::string code = button->Code().toStdString();
    if (code.empty()) continue;  // command buttons carry no key code
    const std::optional<int32_t> value = ReadHexNumber(code);
    if (!value || *value < 0 || *value >= 128) continue;
    for (const std::string& entry : key_states.entries) {
      if (KeyStateList::EntryCode(entry) != code) continue;
      const char state = KeyStateList::EntryState(entry);
      if (state == '2' || state == '3') {
        button->SetIsEnable(false);
        button->SetPicture(key_pictures[kLookLearned][*value]);
      } else if (state == '1') {
        button->SetPicture(key_pictures[kLookDownloaded][*value]);
      }
    }
  }
}

void Tmainselfstudy::SetControlsEnabled(bool on) {
  ykqbox->setVisible(on);
  beginstudyibtn->setEnabled(on);
  // Deleting and clearing need a learned code.
  const bool removable = on && HasLearnedKeys();
  delstudykey->setEnabled(removable);
  delallstudykey->setEnabled(removable);
}

// ---- Handlers -----------------------------------------------------------------

#define X(n) \
  void Tmainselfstudy::IBtn##n##Click() { KeyClicked(KeyButton(n)); }
TVQ31_KEY_NUMBERS(X)
#undef X

void Tmainselfstudy::IBtn79Click() { close(); }

void Tmainselfstudy::updateibtnClick() {
  prompter_.Plain(QStringLiteral("Your software version is new"));
}

void Tmainselfstudy::helpibtnClick() {}

// The command buttons show the hand from the first mouse movement over them
// on; the keys keep the arrow.
void Tmainselfstudy::beginstudyibtnMouseMove() { beginstudyibtn->setCursor(Qt::PointingHandCursor); }
void Tmainselfstudy::delstudykeyMouseMove() { delstudykey->setCursor(Qt::PointingHandCursor); }
void Tmainselfstudy::delallstudykeyMouseMove() { delallstudykey->setCursor(Qt::PointingHandCursor); }
void Tmainselfstudy::IBtn79MouseMove() { IBtn79->setCursor(Qt::PointingHandCursor); }
void Tmainselfstudy::updateibtnMouseMove() { updateibtn->setCursor(Qt::PointingHandCursor); }
void Tmainselfstudy::helpibtnMouseMove() { helpibtn->setCursor(Qt::PointingHandCursor); }

}  // namespace tvq31
