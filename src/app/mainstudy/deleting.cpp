// Delete mode and clear-all: removing learned codes from the remote. Only
// learned codes (states "2" and "3") go; downloaded codes stay, except those
// of keys paired with a removed key, which the key table drops with the pair.
#include "hextext/hextext.h"
#include "mainstudy/mainstudy.h"
#include "skins/skins.h"

#include <algorithm>

namespace tvq31 {

namespace {

const QString kDeleteFailedText = QStringLiteral("Failed to delete! The RC keeps its codes.");

int PictureIndexOf(const IBtn* key) {
  const std::optional<int32_t> value = ReadHexNumber(key->Code().toStdString());
  return value && *value >= 0 && *value < 128 ? *value : 0;
}

bool IsLearned(const std::string& entry) {
  const char state = KeyStateList::EntryState(entry);
  return state == '2' || state == '3';
}

const QString kNeverLearned = QStringLiteral("This button is never done for learning before!");

// Keys whose code left `image` along with a removed key of their pair lose
// their entry and their picture too, so the key pad shows what the table
// holds.
void ForgetCodesGoneFrom(const std::string& image, KeyStateList& states,
                         const std::array<IBtn*, 77>& keys,
                         const std::array<std::array<QPixmap, 128>, 4>& pictures) {
  const std::optional<KeyTable> table = ReadKeyTable(image);
  if (!table) return;
  auto in_table = [&](std::string_view code) {
    const std::optional<int32_t> value = ReadHexNumber(code);
    return std::any_of(table->entries.begin(), table->entries.end(), [&](const KeyEntry& e) {
      return ReadHexNumber(e.key_code) == value;
    });
  };
  std::vector<std::string> gone;
  for (const std::string& entry : states.entries) {
    if (!in_table(KeyStateList::EntryCode(entry))) gone.emplace_back(KeyStateList::EntryCode(entry));
  }
  for (const std::string& code : gone) {
    states.RemoveKeyState(code);
    for (IBtn* key : keys) {
      if (key->Code().toStdString() != code) continue;
      key->SetIsEnable(true);
      key->SetPicture(pictures[kLookNoCode][PictureIndexOf(key)]);
    }
  }
}

}  // namespace

void Tmainselfstudy::IBtn78Click() {
  if (learning) {
    prompter_.Box(QStringLiteral("It is learning now! Please stop learning first if you want to "
                                 "stop to delete！"),
                  kHintCaption, PromptButtons::Ok);
    return;
  }
  if (!deleting) {
    deleting = true;
    Image7->show();
    Image4->hide();
    Image5->hide();
    SetStatus(QStringLiteral("click one button for deleting the learned code left"));
    delstudykey->SetPicture(stop_delete_picture);
    return;
  }
  EndDeleteMode();
}

void Tmainselfstudy::EndDeleteMode() {
  deleting = false;
  SetStatus(QString());
  delstudykey->SetPicture(delete_picture);
  Image4->setVisible(HasLearnedKeys());
  Image8->setVisible(!HasLearnedKeys());
  Image5->hide();
  Image7->hide();
  if (!table_changed) return;
  SetStatus(QStringLiteral("Please wait a moment to finish deleting!"), true);
  if (WriteKeyTable(device_image)) {
    learn_image = device_image;
    prompter_.Box(QStringLiteral("Deleting is finished!"), kHintCaption, PromptButtons::Ok);
    SetStatus(QStringLiteral("Deleting is finished!"));
  } else {
    ReportDeleteWriteFailed();
  }
  table_changed = false;
}

// A refused write leaves the deleted codes in the remote while the keys
// already show them gone: the user must be told, or the remote keeps
// sending codes the user believes deleted.
void Tmainselfstudy::ReportDeleteWriteFailed() {
  prompter_.Box(kDeleteFailedText, kHintCaption, PromptButtons::Ok);
  SetStatus(kDeleteFailedText, true);
}

void Tmainselfstudy::DeleteKey(IBtn* key) {
  pending_keys.clear();
  const std::string code = key->Code().toStdString();
  const auto entry = std::find_if(key_states.entries.begin(), key_states.entries.end(),
                                  [&](const std::string& e) { return KeyStateList::EntryCode(e) == code; });
  if (entry == key_states.entries.end()) {
    prompter_.Box(kNeverLearned, kHintCaption, PromptButtons::Ok);
    return;
  }
  if (!IsLearned(*entry)) {
    prompter_.Box(QStringLiteral("This button is never done for learning before！"), kHintCaption,
                  PromptButtons::Ok);
    return;
  }
  SetStatus(QString());
  if (prompter_.Box(QStringLiteral("Sure to delete the learned code of this button?"), kHintCaption,
                    PromptButtons::YesNo) != PromptAnswer::Yes) {
    return;
  }
  std::string error;
  std::optional<std::string> image = PutKeyRecord(device_image, OneKeyDeletionRecord(code), &error);
  if (!image) {
    prompter_.Box(QStringLiteral("The key table of the RC cannot be changed: ") +
                      QString::fromStdString(error),
                  kHintCaption, PromptButtons::Ok);
    return;
  }
  device_image = std::move(*image);
  table_changed = true;
  key->SetIsEnable(true);
  key->SetPicture(key_pictures[kLookNoCode][PictureIndexOf(key)]);
  key_states.RemoveKeyState(code);
  ForgetCodesGoneFrom(device_image, key_states, keys, key_pictures);
  if (HasLearnedKeys()) return;

  // The last learned code is gone: written at once, and delete mode ends.
  if (WriteKeyTable(device_image)) {
    learn_image = device_image;
    prompter_.Box(QStringLiteral("Deleting is finished!"), kHintCaption, PromptButtons::Ok);
    SetStatus(QStringLiteral("Deleting is finished！"), true);
  } else {
    ReportDeleteWriteFailed();
  }
  table_changed = false;
  deleting = false;
  ShowNoLearnedKeys();
}

// No learned code is left: nothing to delete or clear, and the panel says so.
void Tmainselfstudy::ShowNoLearnedKeys() {
  delstudykey->SetPicture(delete_grey_picture);
  delstudykey->setEnabled(false);
  delallstudykey->SetPicture(clear_grey_picture);
  delallstudykey->setEnabled(false);
  Image8->show();
  Image4->hide();
  Image5->hide();
  Image7->hide();
}

void Tmainselfstudy::delallstudykeyClick() {
  if (learning) {
    prompter_.Box(QStringLiteral("It is on learning mode! Please click on Stop learning first if "
                                 "you want to clear all the learnt codes！"),
                  kHintCaption, PromptButtons::Ok);
    return;
  }
  if (deleting) {
    prompter_.Box(QStringLiteral("It is on deleting mode! Please click on Stop deleting first if "
                                 "you want to clear all the learnt codes！"),
                  kHintCaption, PromptButtons::Ok);
    return;
  }
  if (!HasLearnedKeys()) {
    prompter_.Box(QStringLiteral("No code can be deleted！"), kHintCaption, PromptButtons::Ok);
    return;
  }
  if (prompter_.Box(QStringLiteral("Sure to clear all the learned codes of the buttons?"),
                    kHintCaption, PromptButtons::YesNo) != PromptAnswer::Yes) {
    return;
  }
  std::string image = device_image;
  for (const std::string& entry : key_states.entries) {
    if (!IsLearned(entry)) continue;
    std::string error;
    std::optional<std::string> next =
        PutKeyRecord(image, ClearAllDeletionRecord(KeyStateList::EntryCode(entry)), &error);
    if (!next) {
      // Nothing is written from a table that could not be rebuilt.
      prompter_.Box(QStringLiteral("The key table of the RC cannot be changed: ") +
                        QString::fromStdString(error),
                    kHintCaption, PromptButtons::Ok);
      return;
    }
    image = std::move(*next);
  }
  SetStatus(QStringLiteral("Please wait for a moment to finish clearing!"), true);
  if (WriteKeyTable(image)) {
    device_image = image;
    learn_image = image;
    ForgetCodesGoneFrom(image, key_states, keys, key_pictures);
    prompter_.Box(QStringLiteral("Clearing is finished!"), kHintCaption, PromptButtons::Ok);
    SetStatus(QStringLiteral("Clearing is finished!"), true);
  } else {
    prompter_.Box(QStringLiteral("Clearing failed!"), kHintCaption, PromptButtons::Ok);
    SetStatus(QStringLiteral("Clearing failed!"), true);
  }
  table_changed = false;
  for (IBtn* key : keys) {
    const std::string code = key->Code().toStdString();
    const bool learned = std::any_of(key_states.entries.begin(), key_states.entries.end(),
                                     [&](const std::string& e) {
                                       return KeyStateList::EntryCode(e) == code && IsLearned(e);
                                     });
    if (!learned) continue;
    key->SetIsEnable(true);
    key->SetPicture(key_pictures[kLookNoCode][PictureIndexOf(key)]);
  }
  std::erase_if(key_states.entries, IsLearned);
  ShowNoLearnedKeys();
}

}  // namespace tvq31
