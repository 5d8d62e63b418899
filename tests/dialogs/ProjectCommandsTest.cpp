#include <stdlib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "ProjectCommands.h"
#include "RecordingPrompter.h"

using namespace lectorio;
using lectorio::test::RecordingPrompter;

namespace {

class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/lectorio-commands-XXXXXX";
        if (mkdtemp(pattern))
            path_ = QString::fromLatin1(pattern);
    }
    ~Folder() { QDir(path_).removeRecursively(); }
    QString operator/(const QString& name) const { return path_ + "/" + name; }
    const QString& Path() const { return path_; }
    void Write(const QString& name, const QByteArray& content = {}) const {
        QFile f(*this / name);
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
    bool Has(const QString& name) const { return QFileInfo::exists(*this / name); }

private:
    QString path_;
};

// Project "talk" with three segments, its final text, and a neighbour project.
void MakeTalk(const Folder& f) {
    for (const char* n : {"00001", "00002", "00003"}) {
        f.Write(QString(n) + "_talk.wav");
        f.Write(QString(n) + "_talk.txt", "words");
    }
    f.Write("talk.txt", "final");
    f.Write("talk.vprj", "3 " + f.Path().toUtf8());
    f.Write("00001_other.wav");
}

} // namespace

TEST(OpenProjectFile, ReadsFolderNameAndCount) {
    Folder f;
    MakeTalk(f);
    RecordingPrompter prompter;
    const auto project = ReadProjectToOpen(nullptr, prompter, f / "talk.vprj");
    ASSERT_TRUE(project.has_value());
    EXPECT_EQ(project->outputFolder, f.Path().toStdString());
    EXPECT_EQ(project->projectName, "talk");
    EXPECT_EQ(project->segmentCount, 3);
    EXPECT_TRUE(prompter.shown.empty());

    prompter.files = {f / "talk.vprj"};
    EXPECT_EQ(AskProjectFile(nullptr, prompter), f / "talk.vprj");
    EXPECT_EQ(prompter.filters.back(), "Lectorio Project Files (*.vprj)|*.vprj||");
}

TEST(OpenProjectFile, UnreadableOrFolderlessFilesAreReported) {
    Folder f;
    RecordingPrompter prompter;
    EXPECT_FALSE(ReadProjectToOpen(nullptr, prompter, f / "missing.vprj").has_value());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith("Cannot read the project file:"));
    EXPECT_TRUE(prompter.shown[0].text.endsWith("missing.vprj"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);

    f.Write("blank.vprj", "   \n");
    EXPECT_FALSE(ReadProjectToOpen(nullptr, prompter, f / "blank.vprj").has_value());
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_TRUE(prompter.shown[1].text.startsWith("The project file records no project folder"));
}

TEST(CleanProjectCommand, YesYesDeletesEverythingOfThatProject) {
    Folder f;
    MakeTalk(f);
    RecordingPrompter prompter;
    prompter.files = {f / "talk.vprj"};
    prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    EXPECT_EQ(CleanProjectCommand(nullptr, prompter, "other"), CleanOutcome::Cleaned);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, "Do you confirm deleting this project?");
    EXPECT_EQ(prompter.shown[0].caption, "Confirm Deletion");
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(prompter.shown[1].text, "Do you want to delete the final text file?");
    EXPECT_EQ(prompter.shown[1].caption, "Confirm Deletion");
    EXPECT_EQ(QDir(f.Path()).entryList(QDir::Files), QStringList{"00001_other.wav"});
}

TEST(CleanProjectCommand, SecondNoKeepsTheFinalText) {
    Folder f;
    MakeTalk(f);
    RecordingPrompter prompter;
    prompter.files = {f / "talk.vprj"};
    prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::No};
    EXPECT_EQ(CleanProjectCommand(nullptr, prompter, ""), CleanOutcome::Cleaned);
    EXPECT_TRUE(f.Has("talk.txt"));
    EXPECT_FALSE(f.Has("talk.vprj"));
    EXPECT_FALSE(f.Has("00003_talk.txt"));
}

TEST(CleanProjectCommand, FirstNoDeletesNothing) {
    Folder f;
    MakeTalk(f);
    RecordingPrompter prompter;
    prompter.files = {f / "talk.vprj"};
    prompter.answers = {Prompter::Answer::No};
    EXPECT_EQ(CleanProjectCommand(nullptr, prompter, "x"), CleanOutcome::Declined);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(QDir(f.Path()).entryList(QDir::Files).size(), 9);
}

TEST(CleanProjectCommand, TheProjectOnScreenIsRefusedByName) {
    Folder f;
    MakeTalk(f);
    RecordingPrompter prompter;
    prompter.files = {f / "talk.vprj"};
    EXPECT_EQ(CleanProjectCommand(nullptr, prompter, "talk"), CleanOutcome::InUse);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Project in use. You cannot delete this project now!");
    EXPECT_EQ(prompter.shown[0].caption, "Error");
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
    EXPECT_TRUE(f.Has("talk.vprj"));
    EXPECT_TRUE(f.Has("00001_talk.wav"));
}

TEST(CleanProjectCommand, CancelAndUnreadableFilesDeleteNothing) {
    Folder f;
    MakeTalk(f);
    RecordingPrompter prompter;
    EXPECT_EQ(CleanProjectCommand(nullptr, prompter, ""), CleanOutcome::Cancelled);
    EXPECT_TRUE(prompter.shown.empty());

    prompter.files = {f / "gone.vprj"};
    EXPECT_EQ(CleanProjectCommand(nullptr, prompter, ""), CleanOutcome::Unreadable);
    // An empty project file names no folder: nothing at the root may be touched.
    f.Write("empty.vprj");
    prompter.files = {f / "empty.vprj"};
    EXPECT_EQ(CleanProjectCommand(nullptr, prompter, ""), CleanOutcome::Unreadable);
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_TRUE(f.Has("empty.vprj"));
    EXPECT_EQ(QDir(f.Path()).entryList(QDir::Files).size(), 10);
}

TEST(CreateFinalTextCommand, WritesThenOffersToOpen) {
    Folder f;
    MakeTalk(f);
    ProjectState state;
    state.outputFolder = f.Path().toStdString();
    state.projectName = "talk";
    state.segmentCount = 3;
    state.projectOpen = true;
    RecordingPrompter prompter;
    std::vector<QUrl> opened;
    const UrlOpener opener = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    prompter.answers = {Prompter::Answer::No};
    EXPECT_TRUE(CreateFinalTextCommand(nullptr, prompter, state, opener));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Text file is created: \n\n" + (f / "talk.txt") + "\n\nDo you want to open the file?");
    EXPECT_EQ(prompter.shown[0].caption, "Text File Created");
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::None);
    EXPECT_TRUE(opened.empty());
    QFile result(f / "talk.txt");
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), "words words words ");

    prompter.answers = {Prompter::Answer::Yes};
    EXPECT_TRUE(CreateFinalTextCommand(nullptr, prompter, state, opener));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(f / "talk.txt"));
}

TEST(CreateFinalTextCommand, AFileThatCannotBeWrittenIsReportedNotOffered) {
    Folder f;
    MakeTalk(f);
    QFile::remove(f / "talk.txt");
    QDir(f.Path()).mkdir("talk.txt");
    ProjectState state;
    state.outputFolder = f.Path().toStdString();
    state.projectName = "talk";
    state.segmentCount = 3;
    RecordingPrompter prompter;
    bool opened = false;
    EXPECT_FALSE(
        CreateFinalTextCommand(nullptr, prompter, state, [&](const QUrl&) { return opened = true; }));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith("Cannot create the text file:"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
    EXPECT_FALSE(opened);
}
