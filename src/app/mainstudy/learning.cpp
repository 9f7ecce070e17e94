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

// Puts `entry` into `states` in key code order.
void InsertInPlace(KeyStateList& states, const std::string& entry) {
  const std::optional<int32_t> value = ReadHexNumber(KeyStateList::EntryCode(entry));
  const auto at = std::find_if(states.entries.begin(), states.entries.end(), [&](const std::string& e) {
    return ReadHexNumber(KeyStateList::EntryCode(e)) > value;
  });
  states.entries.insert(at, entry);
}

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

void SetLinkMonitorEnabled(bool on) { link_monitor_enabled.store(on); }

// ---- Workers ------------------------------------------------------------------

TWorkerThread* Tmainselfstudy::StartLinkMonitor() {
  if (!link_monitor_enabled.load()) return nullptr;
  auto* monitor = new linkstate(*this, [this] { LinkMonitorEnded(); });
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
  return device_.WriteCodeTypeData(image);
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

  donghuaflash2->StopPlay();
  donghuaflash2->hide();
  Imagehint->setPixmap(logo_picture);
  Imagehint->show();
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
  if (!pending_keys.empty()) {
    IBtn* key = pending_keys.front();
    key->SetPicture(key_pictures[kLookNoCode][PictureIndex(key)]);
    if (IsLearnedState(KeyState(key_states, key))) key->SetIsEnable(false);
    pending_keys.clear();
  }
  ShowKeyStates();
  beginstudyibtn->SetIsEnable(true);
  // Its end handler finds no pending key and drops whatever came.
  if (capture_thread != nullptr) capture_thread->Terminate();
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
  // this capture.
  if (pending_keys.empty()) return;
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
  ReceiveOptions options;
  options.library_path = exe_dir + "QD01.csl";
  options.transfer_path = exe_dir + kTransferLibraryName;
  ReceiveChain chain(std::move(options));
  const ReceiveResult received = chain.Receive(capture, code_value.value_or(-1));

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

  learn_image = device_image;
  table_changed = false;
  // Every key learned in the session returns to the state it had before:
  // the last saved entry of its code decides, no entry means no code.
  auto show_state = [this](const std::string_view code, char state) {
    for (IBtn* key : keys) {
      if (key->Code().toStdString() != code) continue;
      const int picture = PictureIndex(key);
      if (state == '2') {
        key->SetPicture(key_pictures[kLookLearned][picture]);
      } else if (state == '1') {
        key->SetIsEnable(true);
        key->SetPicture(key_pictures[kLookDownloaded][picture]);
      } else {
        key->SetIsEnable(true);
        key->SetPicture(key_pictures[kLookNoCode][picture]);
      }
    }
  };
  std::vector<std::string> restored;
  for (const std::string& entry : key_states.entries) {
    if (KeyStateList::EntryState(entry) != '3') continue;
    const std::string_view code = KeyStateList::EntryCode(entry);
    std::string before;
    for (const std::string& saved : prior_states) {
      if (KeyStateList::EntryCode(saved) == code) before = saved;
    }
    if (!before.empty()) restored.push_back(before);
    show_state(code, before.empty() ? '\0' : KeyStateList::EntryState(before));
  }
  std::erase_if(key_states.entries,
                [](const std::string& e) { return KeyStateList::EntryState(e) == '3'; });
  // The saved entries go back in place, so the states match the pictures
  // (and a refused relearn of a learned key can still be deleted).
  for (const std::string& entry : restored) InsertInPlace(key_states, entry);
  // So do the partners whose code a learned key of their pair took.
  for (auto saved = prior_states.rbegin(); saved != prior_states.rend(); ++saved) {
    const std::string_view code = KeyStateList::EntryCode(*saved);
    const bool present = std::any_of(key_states.entries.begin(), key_states.entries.end(),
                                     [&](const std::string& e) { return KeyStateList::EntryCode(e) == code; });
    if (present) continue;
    InsertInPlace(key_states, *saved);
    show_state(code, KeyStateList::EntryState(*saved));
  }
  prior_states.clear();
  if (HasLearnedKeys()) {
    delstudykey->setEnabled(true);
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
