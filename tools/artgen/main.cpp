// artgen: draws the program's artwork and writes it as picture files plus
// one Qt resource list per container:
//   otq0002, stq0002, ftq0002, dtq0002  key picture sets 1 to 4 (gif0 ... gif127)
//   btq0002                              "flash1" and the seven named pictures
//   window                               the pictures of the windows themselves
// Usage: artgen OUTPUT_DIR
#include "artwork.h"
#include "encode.h"

#include "hextext/hextext.h"
#include "mainstudy/keypad.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <utility>
#include <vector>

using namespace tvq31;
using namespace tvq31::artgen;

namespace {

struct Entry {
  QString alias;  // resource name
  QString file;   // relative to the output directory
};

class Container {
 public:
  Container(QString dir, QString name, QString prefix = QStringLiteral("/"))
      : dir_(std::move(dir)), name_(std::move(name)), prefix_(std::move(prefix)) {
    QDir(dir_).mkpath(name_);
  }
  bool Gif(const QString& alias, const QImage& image, QString* error) {
    return Add(alias, QStringLiteral("%1.gif").arg(alias), [&](const QString& path) {
      return WriteGif(image, path, error);
    });
  }
  bool Jpeg(const QString& alias, const QImage& image, QString* error) {
    return Add(alias, QStringLiteral("%1.jpg").arg(alias), [&](const QString& path) {
      return WriteJpeg(image, path, 93, error);
    });
  }
  bool Raw(const QString& alias, const std::vector<uint8_t>& bytes, QString* error) {
    return Add(alias, QStringLiteral("%1.swf").arg(alias), [&](const QString& path) {
      QFile f(path);
      const bool ok = f.open(QIODevice::WriteOnly) &&
                      f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
                          static_cast<qint64>(bytes.size());
      if (!ok && error) *error = QStringLiteral("cannot write %1").arg(path);
      return ok;
    });
  }
  // The resource list for rcc: every file under its bare name.
  bool WriteList(QString* error) const {
    QFile f(dir_ + QStringLiteral("/") + name_ + QStringLiteral(".qrc"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      if (error) *error = QStringLiteral("cannot write %1").arg(f.fileName());
      return false;
    }
    QTextStream out(&f);
    out << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"" << prefix_ << "\">\n";
    for (const Entry& e : entries_) {
      out << "  <file alias=\"" << e.alias << "\">" << name_ << "/" << e.file << "</file>\n";
    }
    out << "</qresource>\n</RCC>\n";
    return true;
  }

 private:
  template <typename Write>
  bool Add(const QString& alias, const QString& file, Write write) {
    if (!write(dir_ + QStringLiteral("/") + name_ + QStringLiteral("/") + file)) return false;
    entries_.push_back({alias, file});
    return true;
  }

  QString dir_, name_, prefix_;
  std::vector<Entry> entries_;
};

bool Generate(const QString& dir, QString* error) {
  // Key picture sets 1 to 4, by container.
  const std::pair<const char*, Look> sets[] = {{"otq0002", Look::kNoCode},
                                               {"stq0002", Look::kLearned},
                                               {"ftq0002", Look::kSelected},
                                               {"dtq0002", Look::kDownloaded}};
  for (const auto& [name, look] : sets) {
    Container c(dir, QString::fromLatin1(name));
    for (int n = 0; n < 128; ++n) {
      const KeySpec* key = FindKeyByCode(ByteHex(n));
      if (!c.Gif(QStringLiteral("gif%1").arg(n), KeyPicture(key, look), error)) return false;
    }
    if (!c.WriteList(error)) return false;
  }

  Container named(dir, QStringLiteral("btq0002"));
  const std::vector<uint8_t> movie = CaptureMovie();
  if (!named.Raw(QStringLiteral("flash1"), movie, error)) return false;
  const std::pair<const char*, QImage> pictures[] = {
      {"gifquindo", LogoHint()},
      {"jpgjingtai", LearningHint()},
      {"stopdelete", CommandButton(QStringLiteral("Stop deleting"), ButtonStyle::kStop)},
      {"delete", CommandButton(QStringLiteral("Delete"), ButtonStyle::kNormal)},
      {"deletehui", CommandButton(QStringLiteral("Delete"), ButtonStyle::kGrey)},
      {"clear", CommandButton(QStringLiteral("Clear"), ButtonStyle::kNormal)},
      {"clearhui", CommandButton(QStringLiteral("Clear"), ButtonStyle::kGrey)},
  };
  for (const auto& [name, image] : pictures) {
    if (!named.Jpeg(QString::fromLatin1(name), image, error)) return false;
  }
  if (!named.WriteList(error)) return false;

  // The windows' own pictures.
  // Compiled into the program under its own prefix.
  Container window(dir, QStringLiteral("window"), QStringLiteral("/tvq31-window"));
  const PanelText learned_keys{
      {QStringLiteral("To learn RC codes, please click on Start to learn to enter learning mode."),
       QStringLiteral("Please click on Delete to enter deleting mode to delete learnt RC codes."),
       QStringLiteral("Please click on Clear to clear all the learnt RC codes.")},
      {}};
  const PanelText no_learned_keys{
      {QStringLiteral("To learn RC codes, please click on Start to learn to enter learning mode.")}, {}};
  const PanelText learning{
      {QStringLiteral("Please click one button needs to learn on the URC picture left."),
       QStringLiteral("Press one button to be learnt on your original RC according to the animated hints below."),
       QStringLiteral("Please repeat Step1 and Step 2 above for another button to learn."),
       QStringLiteral("Please click on Stop learning to finish learning."),
       QStringLiteral("Press the button to be learnt NOT less than 2 seconds.")},
      QStringLiteral("Do not disconnect usb before clicking on Stop learning.")};
  const PanelText deleting{
      {QStringLiteral("Please choose one button in red for deleting the learned code on the URC picture left."),
       QStringLiteral("A dialogue box will come out to confirm the deleting of RC code of the chosen button."),
       QStringLiteral("Please repeat Step1 and Step 2 above for another button to delete the learned code stored."),
       QStringLiteral("Please click on Stop deleting to finish deleting operation.")},
      QStringLiteral("A dialogue box will come out to show whether the deleting is successful or failed during "
                     "the process")};
  bool ok = window.Jpeg(QStringLiteral("splash"), Splash(), error) &&
            window.Jpeg(QStringLiteral("background"), Background(), error) &&
            window.Gif(QStringLiteral("remote"), RemoteBody(), error) &&
            window.Gif(QStringLiteral("Image4"), StatusPanel(learned_keys, {407, 165}), error) &&
            window.Gif(QStringLiteral("Image5"), StatusPanel(learning, {410, 167}), error) &&
            window.Gif(QStringLiteral("Image7"), StatusPanel(deleting, {409, 168}), error) &&
            window.Gif(QStringLiteral("Image8"), StatusPanel(no_learned_keys, {411, 165}), error) &&
            window.Jpeg(QStringLiteral("start"), CommandButton(QStringLiteral("Start to learn"), ButtonStyle::kGo),
                        error) &&
            window.Jpeg(QStringLiteral("stop"), CommandButton(QStringLiteral("Stop learning"), ButtonStyle::kStop),
                        error) &&
            window.Jpeg(QStringLiteral("close"), CornerButton(CornerGlyph::kClose, {51, 44}), error) &&
            window.Jpeg(QStringLiteral("update"), CornerButton(CornerGlyph::kUpdate, {52, 43}), error) &&
            window.Jpeg(QStringLiteral("help"), CornerButton(CornerGlyph::kHelp, {51, 47}), error);
  // Each key's own picture (the grey look), by key number.
  for (const KeySpec& key : kKeyPad) {
    ok = ok && window.Gif(QStringLiteral("key%1").arg(key.number), KeyPicture(&key, Look::kNoCode), error);
  }
  return ok && window.WriteList(error);
}

}  // namespace

int main(int argc, char** argv) {
  // Drawing needs fonts, not a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: artgen OUTPUT_DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "artgen: cannot create %s\n", argv[1]);
    return 1;
  }
  QString error;
  if (!Generate(dir, &error)) {
    std::fprintf(stderr, "artgen: %s\n", qPrintable(error));
    return 1;
  }
  return 0;
}
