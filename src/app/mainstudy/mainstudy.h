// Tmainselfstudy: the main window, the one owner of the program's window
// and workflow state. Creating it runs the start-up handshake with the
// remote (FormCreate); its first showing starts the link monitor, loads the
// looks and sets up the command buttons (FormShow); closing is refused while
// learning with the remote attached (FormCloseQuery) and otherwise writes
// back pending changes (FormClose).
//
// Controls and state fields are public on purpose: the workflows of the
// other units (link monitor, capture thread, learning, deleting) work on
// them directly, as the window's own handlers do, always on the UI thread.
#pragma once

#include "devicelink/device_access.h"
#include "display/display_modes.h"
#include "ibtn1/ibtn.h"
#include "keytable/keytable.h"
#include "mainstudy/animation_player.h"
#include "prompter/prompter.h"

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace tvq31 {

class ReceiveChain;
class TWorkerThread;

#define TVQ31_KEY_NUMBERS(X) \
  X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) \
  X(12) X(13) X(14) X(15) X(16) X(17) X(18) X(19) X(20) X(21) X(22) \
  X(23) X(24) X(25) X(26) X(27) X(28) X(29) X(30) X(31) X(32) X(33) \
  X(34) X(35) X(36) X(37) X(38) X(39) X(40) X(41) X(42) X(43) X(44) \
  X(45) X(46) X(47) X(48) X(49) X(50) X(51) X(52) X(53) X(54) X(55) \
  X(56) X(57) X(58) X(59) X(60) X(61) X(62) X(63) X(64) X(65) X(66) \
  X(67) X(68) X(69) X(70) X(71) X(72) X(73) X(74) X(75) X(76) X(77)

// The download web site named in the refusal messages of the handshake.
QString DownloadSite();

// The animation movie file of this running program, in the user's private
// runtime directory: "888-<process id>.swf", so that two running copies
// never share (or delete) each other's movie.
QString AnimationFilePath();

// Told when a key table write finds another remote attached than the one
// the program started with.
extern const QString kOtherRemoteText;

class Tmainselfstudy : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls and runs FormCreate. The three services outlive the
  // window.
  Tmainselfstudy(DeviceAccess& device, Prompter& prompter, DisplayModes& display,
                 QWidget* parent = nullptr);
  ~Tmainselfstudy() override;

  // ---- Controls ----------------------------------------------------------
  QLabel* Image1 = nullptr;  // background picture
  QWidget* ykqbox = nullptr;  // the remote panel
  QLabel* z = nullptr;        // remote body, beneath all keys
  std::array<IBtn*, 77> keys{};  // IBtn1 ... IBtn77 (keys[n - 1])
  QLabel* Imagehint = nullptr;
  TShockwaveFlash* donghuaflash2 = nullptr;
  QLabel* runstate_lab = nullptr;
  QLabel* Image4 = nullptr;  // not learning, at least one learned key
  QLabel* Image5 = nullptr;  // learning mode
  QLabel* Image7 = nullptr;  // delete mode
  QLabel* Image8 = nullptr;  // not learning, no learned key
  QLabel* lab_ykqtype = nullptr;
  QLabel* lab_softver = nullptr;
  QLabel* lab_gjbb = nullptr;
  QLabel* lab_usbstate = nullptr;
  IBtn* beginstudyibtn = nullptr;
  IBtn* delstudykey = nullptr;
  IBtn* delallstudykey = nullptr;
  IBtn* IBtn79 = nullptr;
  IBtn* updateibtn = nullptr;
  IBtn* helpibtn = nullptr;

  // ---- State -------------------------------------------------------------
  KeyStateList key_states;
  std::vector<std::string> prior_states;
  std::vector<IBtn*> pending_keys;  // at most one
  std::string device_image;
  std::string learn_image;
  // The key table the remote holds: as read at start-up, then as last
  // written with success. device_image may hold more (a refused write).
  std::string remote_image;
  // Key pictures by set (KeyLook) and key code value.
  std::array<std::array<QPixmap, 128>, 4> key_pictures;
  QPixmap learning_picture;
  QPixmap stop_delete_picture;
  QPixmap delete_picture;
  QPixmap delete_grey_picture;
  QPixmap clear_picture;
  QPixmap clear_grey_picture;
  QPixmap logo_picture;
  bool learning = false;
  bool table_changed = false;
  bool deleting = false;
  bool startup_failed = false;
  bool closing = false;
  // The link monitor ended because another remote was attached: nothing is
  // written to it any more.
  bool other_remote_attached = false;
  TWorkerThread* link_monitor = nullptr;
  TWorkerThread* capture_thread = nullptr;
  // How long a key waits for its capture.
  std::chrono::milliseconds capture_time_limit{7000};
  std::string capture_text;
  std::string device_id;
  std::string exe_dir;

  // ---- Lifecycle ---------------------------------------------------------
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void FormClose();
  // The link monitor's end notification, on the UI thread; `other_remote`
  // when it ended because another remote was attached.
  void LinkMonitorEnded(bool other_remote = false);

  // ---- Operations used by the lifecycle ----------------------------------
  // Loads every key picture and the seven named pictures; false when one is
  // missing.
  bool LoadSkins();
  // Gives every key with an entry in key_states the picture of its state.
  void ShowKeyStates();
  bool HasLearnedKeys() const { return key_states.HasLearnedKeys(); }
  // Shows or hides the key pad and enables the three learning controls.
  void SetControlsEnabled(bool on);
  // The key button of IBtn<number>, 1 to 77.
  IBtn* KeyButton(int number) const { return keys.at(number - 1); }

  // ---- Workflows of the learning and deleting units ----------------------
  void KeyClicked(IBtn* key);
  // The capture thread's end handler: stores what was captured for the
  // pending key.
  void CaptureEnded();
  void ConfirmLearning();
  // Switches learning off without asking or writing: the pending key gets
  // its picture back and its capture is told to stop (whatever it brings
  // is dropped).
  void LeaveLearning();
  // The receive step's chain, one for the whole run: its recognition
  // context is kept from capture to capture. Made on first use from
  // exe_dir.
  ReceiveChain& Receiver();
  TWorkerThread* StartLinkMonitor();
  // Leaves delete mode, writing the deletions made in it.
  void EndDeleteMode();
  void ReportDeleteWriteFailed();
  void ShowNoLearnedKeys();
  // The delete step of a key click in delete mode.
  void DeleteKey(IBtn* key);
  // Writes `image` to the remote; an image the remote cannot hold, or a
  // remote that is not the one the program started with, is refused here,
  // with a message, and counts as a failed write.
  bool WriteKeyTable(const std::string& image);
  // Reads the basic information: true when it names device_id. A remote
  // that answers with another identity is told to the user.
  bool SameRemoteAttached();
  // The status line, repainted at once when the next step blocks the window.
  void SetStatus(const QString& text, bool repaint = false);
  // Stops the worker threads still running, without their end handlers.
  void StopWorkers();

  // ---- Handlers ----------------------------------------------------------
#define X(n) void IBtn##n##Click();
  TVQ31_KEY_NUMBERS(X)
#undef X
  void beginstudyibtnClick();
  void IBtn78Click();  // delstudykey
  void delallstudykeyClick();
  void IBtn79Click();
  void updateibtnClick();
  void helpibtnClick();
  void beginstudyibtnMouseMove();
  void delstudykeyMouseMove();
  void delallstudykeyMouseMove();
  void IBtn79MouseMove();
  void updateibtnMouseMove();
  void helpibtnMouseMove();

  DeviceAccess& device() { return device_; }
  Prompter& prompter() { return prompter_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildKeyPad();
  IBtn* MakeCommandButton(const char* name, int left, int top, int width, int height);
  // The display check of the first showing.
  void CheckDisplay();
  // At the top edge of a screen of `screen` pixels, centred.
  void CentreOnScreen(const QSize& screen);

  DeviceAccess& device_;
  Prompter& prompter_;
  DisplayModes& display_;
  bool shown_once_ = false;
  bool closed_ = false;
  std::unique_ptr<ReceiveChain> receiver_;
};

}  // namespace tvq31
