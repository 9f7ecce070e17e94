// The learning session: starting and stopping learning, picking a key, the
// receive step that stores a captured code for it, and the confirmation
// that writes the session to the remote or discards it. Also the start of
// the link monitor and the window's share in stopping its workers.
#include "Collect_code/Collect_code.h"
#include "hextext/hextext.h"
#include "linkstathread/linkstathread.h"
#include "mainstudy/mainstudy.h"
#include "receive/receivechain.h"
#include "skins/skins.h"
#include "workerthread.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace tvq31 {

namespace {

std::atomic<bool> link_monitor_enabled{true};

// The remote's identity: the first characters of its basic information.
constexpr std::size_t kIdentityChars = 30;

// The picture index of a key button: its key code as a number, 0 to 127.
int PictureIndex(const IBtn* key) {
  const std::optional<int32_t> value = ReadHexNumber(key->Code().toStdString());
  return value && *value >= 0 && *value < 128 ? *value : 0;
}

// The state of the first entry of `key`'s code, or '\0'.
char KeyState(const KeyStateList& states, const IBtn* key) {
  const std::string code = key->Code().toStdString();
  for (const std::string& entry : states.entries) {
    if (KeyStateList::EntryCode(entry) == code) return KeyStateList::EntryState(entry);
  }
  return '\0';
}

bool IsLearnedState(char state) { return state == '2' || state == '3'; }

// Takes out of `states` the entries whose key code is not in `image`: the
// partner of a key of a pair, whose code went when the pair was dissolved.
std::vector<std::string> TakeEntriesGoneFrom(const std::string& image, KeyStateList& states) {
  std::vector<std::string> gone;
  const std::optional<KeyTable> table = ReadKeyTable(image);
  if (!table) return gone;
  auto in_table = [&](std::string_view code) {
    const std::optional<int32_t> value = ReadHexNumber(code);
    return std::any_of(table->entries.begin(), table->entries.end(),
                       [&](const KeyEntry& e) { return ReadHexNumber(e.key_code) == value; });
  };
  std::erase_if(states.entries, [&](const std::string& entry) {
    if (in_table(KeyStateList::EntryCode(entry))) return false;
    gone.push_back(entry);
    return true;
  });
  return gone;
}

const QString kCodeNotStored = QStringLiteral(
    "The RC code could not be stored! Please press the button on your original RC again.");
const QString kImageTooLong =
    QStringLiteral("The learned codes do not fit into the RC! Please delete some learned codes.");

}  // namespace

const QString kOtherRemoteText = QStringLiteral(
    "This is not the RC the learning software was started with! Nothing has been written to it. "
    "Please connect that RC again.");

void SetLinkMonitorEnabled(bool on) { link_monitor_enabled.store(on); }

// ---- Workers ------------------------------------------------------------------

TWorkerThread* Tmainselfstudy::StartLinkMonitor() {
  if (!link_monitor_enabled.load()) return nullptr;
  auto* monitor = new linkstate(*this, [this](bool other_remote) { LinkMonitorEnded(other_remote); });
  link_monitor = monitor;
  monitor->start();
  return monitor;
}

void Tmainselfstudy::StopWorkers() {
  if (capture_thread != nullptr) std::exchange(capture_thread, nullptr)->Abandon();
  if (link_monitor != nullptr) std::exchange(link_monitor, nullptr)->Abandon();
}

// ---- Shared steps -----------------------------------------------------------------

void Tmainselfstudy::SetStatus(const QString& text, bool repaint) {
  runstate_lab->setText(text);
  if (repaint) runstate_lab->repaint();
}

bool Tmainselfstudy::WriteKeyTable(const std::string& image) {
  if (!ImageFitsRemote(image)) {
    prompter_.Box(kImageTooLong, kHintCaption, PromptButtons::Ok);
    return false;
  }
  // The table is one remote's: written onto another it would replace all
  // of that remote's codes.
  if (!SameRemoteAttached()) return false;
  if (!device_.WriteCodeTypeData(image)) return false;
  remote_image = image;
  return true;
}

bool Tmainselfstudy::SameRemoteAttached() {
  const std::string info = device_.ReadBasicInfo();
  // No answer: the write that follows could not be checked, nor would it
  // reach anything; the caller reports the failed write.
  if (info.size() < kBasicInfoSize) return false;
  if (std::string_view(info).substr(0, kIdentityChars) == device_id) return true;
  prompter_.Box(kOtherRemoteText, kHintCaption, PromptButtons::Ok);
  return false;
}

// ---- Start and stop ---------------------------------------------------------------

void Tmainselfstudy::beginstudyibtnClick() {
  if (deleting) {
    prompter_.Box(
        QStringLiteral("It is deleting now! Please stop deleting first if you want to stop to learn！"),
        kHintCaption, PromptButtons::Ok);
    return;
  }
  learning = !learning;
  if (learning) {
    beginstudyibtn->SetIsEnable(false);
    Imagehint->setPixmap(learning_picture);
    SetStatus(QStringLiteral("click one button needs to learn left."));
    Image5->show();
    Image4->hide();
    Image7->hide();
    Image8->hide();
    return;
  }

  // The pending key is settled before the question: the question's box
  // runs the event loop, where the capture's end handler would otherwise
  // still store into (or give up on) a session being confirmed.
  LeaveLearning();
  SetStatus(QString());
  if (table_changed) {
    ConfirmLearning();
    // Also after a refused write: the keys stay red, and the question comes
    // back at the next stop and at closing while table_changed holds.
    key_states.CommitLearnedKeys();
  }
  Image4->setVisible(HasLearnedKeys());
  Image8->setVisible(!HasLearnedKeys());
  Image5->hide();
  Image7->hide();
  ShowKeyStates();
  beginstudyibtn->SetIsEnable(true);
}

void Tmainselfstudy::LeaveLearning() {
  learning = false;
  donghuaflash2->StopPlay();
  donghuaflash2->hide();
  Imagehint->setPixmap(logo_picture);
  Imagehint->show();
  if (!pending_keys.empty()) {
    IBtn* key = pending_keys.front();
    key->SetPicture(key_pictures[kLookNoCode][PictureIndex(key)]);
    if (IsLearnedState(KeyState(key_states, key))) key->SetIsEnable(false);
    pending_keys.clear();
    ShowKeyStates();
  }
  // Its end handler runs later and drops whatever came.
  if (capture_thread != nullptr) capture_thread->Terminate();
}

ReceiveChain& Tmainselfstudy::Receiver() {
  const std::string library = exe_dir + "QD01.csl";
  if (!receiver_ || receiver_->options().library_path != library) {
    ReceiveOptions options;
    options.library_path = library;
    options.transfer_path = exe_dir + kTransferLibraryName;
    receiver_ = std::make_unique<ReceiveChain>(std::move(options));
  }
  return *receiver_;
}

// ---- Picking a key ----------------------------------------------------------------

void Tmainselfstudy::KeyClicked(IBtn* key) {
  if (key == nullptr) return;
  if (deleting) {
    DeleteKey(key);
    return;
  }
  if (!pending_keys.empty()) {
    prompter_.Box(pending_keys.front()->Path() +
                      QStringLiteral("buttonis learning now! Click on Stop learning to stop "
                                     "learning operation!"),
                  kHintCaption, PromptButtons::Ok);
    return;
  }
  if (!learning) {
    prompter_.Box(QStringLiteral("Please click on Start to learn first!"), kHintCaption,
                  PromptButtons::Ok);
    return;
  }
  if (IsLearnedState(KeyState(key_states, key))) {
    if (prompter_.Box(key->Path() + QStringLiteral("button has learnt, do you need to learn again?"),
                      kHintCaption, PromptButtons::YesNo) != PromptAnswer::Yes) {
      return;
    }
    key->SetIsEnable(true);
    key->repaint();
  }
  key->SetPicture(key_pictures[kLookSelected][PictureIndex(key)]);
  SetStatus(QStringLiteral("press one button to be learnt on your original RC"));
  Imagehint->hide();
  donghuaflash2->SetMovie(AnimationFilePath());
  donghuaflash2->show();
  donghuaflash2->Play();
  pending_keys.push_back(key);
  if (capture_thread == nullptr) {
    auto* thread = new TCollectCode(device_, capture_text, [this] { CaptureEnded(); },
                                    capture_time_limit);
    capture_thread = thread;
    thread->start();
  }
}

// ---- The receive step ----------------------------------------------------------------

void Tmainselfstudy::CaptureEnded() {
  capture_thread = nullptr;
  const std::string capture = std::move(capture_text);
  capture_text.clear();

  // Learning was stopped meanwhile (or nothing was picked): nobody waits for
  // this capture, and the session it would go into may be confirmed already.
  if (!learning || pending_keys.empty()) return;
  IBtn* key = pending_keys.front();
  const int picture = PictureIndex(key);

  // The key goes back to its picture, learning goes on.
  auto give_up = [&](const QString& message) {
    donghuaflash2->StopPlay();
    donghuaflash2->hide();
    Imagehint->setPixmap(learning_picture);
    Imagehint->show();
    SetStatus(QStringLiteral("choose one button needs to learn again!"), true);
    key->SetPicture(key_pictures[kLookNoCode][picture]);
    pending_keys.clear();
    ShowKeyStates();
    if (!message.isEmpty()) prompter_.Box(message, kHintCaption, PromptButtons::Ok);
  };

  if (capture.empty()) {
    give_up(QString());
    return;
  }

  SetStatus(key->Path() + QStringLiteral("button is learning！"), true);
  const std::string code = key->Code().toStdString();
  const std::optional<int32_t> code_value = ReadHexNumber(code);
  const ReceiveResult received = Receiver().Receive(capture, code_value.value_or(-1));

  std::optional<std::string> image;
  if (received.ok()) image = PutKeyRecord(learn_image, received.record);
  if (!image) {
    give_up(kCodeNotStored);
    return;
  }
  if (!ImageFitsRemote(*image)) {
    give_up(kImageTooLong);
    return;
  }
  learn_image = std::move(*image);
  table_changed = true;

  key->SetPicture(key_pictures[kLookNoCode][picture]);
  donghuaflash2->StopPlay();
  donghuaflash2->hide();
  Imagehint->setPixmap(logo_picture);
  Imagehint->show();
  prompter_.Box(QStringLiteral("RC code is received!"), kHintCaption, PromptButtons::Ok);
  SetStatus(QStringLiteral("RC code has been stored in Button") + key->Path(), true);
  const std::string prior = key_states.FindKeyState(code);
  if (!prior.empty()) prior_states.push_back(prior);
  // A key of a pair took its partner's code: the partner loses its entry
  // and its look now (they come back if the session is refused).
  for (std::string& gone : TakeEntriesGoneFrom(learn_image, key_states)) {
    for (IBtn* partner : keys) {
      if (partner->Code().toStdString() != KeyStateList::EntryCode(gone)) continue;
      partner->SetIsEnable(true);
      partner->SetPicture(key_pictures[kLookNoCode][PictureIndex(partner)]);
    }
    prior_states.push_back(std::move(gone));
  }
  key_states.MarkKeyLearned(code);
  ShowKeyStates();
  pending_keys.clear();
  delstudykey->SetPicture(delete_picture);
  delstudykey->setEnabled(true);
  delallstudykey->SetPicture(clear_picture);
  delallstudykey->setEnabled(true);
}

// ---- Confirmation -------------------------------------------------------------------

void Tmainselfstudy::ConfirmLearning() {
  if (prompter_.Box(QStringLiteral("Confirm this learning operation?"), kHintCaption,
                    PromptButtons::YesNo) == PromptAnswer::Yes) {
    SetStatus(QStringLiteral("Please wait a moment to finish learning!"), true);
    device_image = learn_image;
    if (WriteKeyTable(device_image)) {
      prompter_.Box(QStringLiteral("Learning is finished!"), kHintCaption, PromptButtons::Ok);
      SetStatus(QStringLiteral("Learning is finished!"));
      table_changed = false;
    } else {
      SetStatus(QStringLiteral("Failed to learn!"));
      prompter_.Box(QStringLiteral("Failed to learn！"), kHintCaption, PromptButtons::Ok);
    }
    // The session's keys are committed either way; saved entries of this
    // session must not come back in a later refused one.
    prior_states.clear();
    return;
  }

  // Refused: everything the remote does not hold goes, also what an
  // earlier refused write left in device_image. The images, the key states
  // and the pictures come back to the remote's table.
  device_image = remote_image;
  learn_image = remote_image;
  table_changed = false;
  if (std::optional<KeyStateList> states = ParseKeyStates(remote_image)) {
    key_states = std::move(*states);
  }
  for (IBtn* key : keys) {
    key->SetIsEnable(true);
    key->SetPicture(key_pictures[kLookNoCode][PictureIndex(key)]);
  }
  ShowKeyStates();
  prior_states.clear();
  if (HasLearnedKeys()) {
    delstudykey->SetPicture(delete_picture);
    delstudykey->setEnabled(true);
    delallstudykey->SetPicture(clear_picture);
    delallstudykey->setEnabled(true);
  } else {
    delstudykey->SetPicture(delete_grey_picture);
    delstudykey->setEnabled(false);
    delallstudykey->SetPicture(clear_grey_picture);
    delallstudykey->setEnabled(false);
    deleting = false;
  }
}

}  // namespace tvq31
