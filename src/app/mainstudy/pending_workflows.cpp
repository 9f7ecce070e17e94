// Entry points of the workflows that live in their own units: the link
// monitor, learning, deleting and clear-all. Until those units are in, the
// key pad only asks the user to start learning first.
#include "mainstudy/mainstudy.h"

namespace tvq31 {

void Tmainselfstudy::KeyClicked(IBtn*) {
  prompter_.Box(QStringLiteral("Please click on Start to learn first!"), kHintCaption,
                PromptButtons::Ok);
}

// Nothing can be learned yet, so there is never a session to confirm.
void Tmainselfstudy::ConfirmLearning() {}

// The monitor thread of the link; none yet.
QThread* Tmainselfstudy::StartLinkMonitor() { return nullptr; }

void Tmainselfstudy::beginstudyibtnClick() {}
void Tmainselfstudy::IBtn78Click() {}
void Tmainselfstudy::delallstudykeyClick() {}

}  // namespace tvq31
