// ronvalo-verify --dowod end to end: a clean evidence file, one with a finding, and what it
// cannot read or follow, with their exit codes and lines.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "core/proof/evidence_fixture.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString standardOutput;
    QString standardError;
};

ToolRun verify(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-verify"), arguments);
    EXPECT_TRUE(tool.waitForFinished(60000));
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
            QString::fromUtf8(tool.readAllStandardError())};
}

struct EvidenceVerifyToolTest : ::testing::Test {
    ArchivedInstallation installation;
    QString path;
    QByteArray file;
    QString lastDigest;

    void SetUp() override {
        importFourDays(installation);
        TDM3 dm;
        installation.open(dm);
        file = evidenceOf(dm);
        lastDigest = lastArchiveDigest(dm);
        path = installation.folder.file("dowod.txt");
        ASSERT_TRUE(writeFileBytes(path, file));
    }
};

TEST_F(EvidenceVerifyToolTest, ExitsZeroCleanAndOneWithEachFindingOnItsLine) {
    ToolRun run = verify({"--dowod", path});
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QStringList lines = run.standardOutput.split('\n');
    EXPECT_EQ(lines.value(0), "Dowód odczytów nienaruszony: 4 odczyty z okresu od 2004-04-26 do "
                              "2004-04-29, ostatni skrót archiwum: " +
                                  lastDigest);
    EXPECT_TRUE(lines.value(1).startsWith("Instalacja: " + QDir(installation.db()).absolutePath() +
                                          "/, czytniki: wszystkie, utworzono "))
        << lines.value(1).toStdString();

    file.replace("Odebrano: 2004-04-27 07:03:20", "Odebrano: 2004-04-27 07:03:21");
    // A name that would move the terminal's cursor is shown escaped.
    const qsizetype at = file.indexOf("Instalacja: ");
    file.replace(at, file.indexOf('\n', at) - at,
                 "Instalacja: base64:" + QByteArray("\x1b[2J").toBase64());
    ASSERT_TRUE(writeFileBytes(path, file));
    run = verify({"--dowod", path});
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    EXPECT_TRUE(run.standardOutput.startsWith(
        "Odczyt nr 2: skrót wiersza archiwum nie zgadza się z jego treścią\n"
        "Niezgodności w dowodzie odczytów: 1\n"
        "Instalacja: \\x1b[2J"))
        << run.standardOutput.toStdString();
}

TEST_F(EvidenceVerifyToolTest, WhatItCannotReadOrFollowExitsTwo) {
    const QString junk = installation.folder.file("smieci.bin");
    ASSERT_TRUE(writeFileBytes(junk, QByteArray("\x7f"
                                                "ELF\x02\x01\x01",
                                                7) +
                                         QByteArray(500, '\0')));
    const QString cut = installation.folder.file("urwany.txt");
    ASSERT_TRUE(writeFileBytes(cut, file.left(file.size() - 20)));
    const QString usage = "Użycie: ronvalo-verify [--skrot SKRÓT] FOLDER | --dowod PLIK";
    const struct {
        QStringList arguments;
        QString says;
    } cases[] = {
        {{"--dowod", junk}, junk + ": to nie jest plik dowodu odczytów"},
        {{"--dowod", cut}, cut + ": wiersz 48: plik dowodu odczytów się urywa"},
        {{"--dowod", installation.folder.file("brak.txt")}, "Nie można otworzyć pliku"},
        {{"--dowod", installation.folder.path()}, "Nie można otworzyć pliku"},
        {{"--dowod"}, usage},
        {{"--dowod", path, installation.folder.path()}, usage},
        {{installation.folder.path(), "--dowod", path}, usage},
        {{"--skrot", lastDigest, "--dowod", path}, usage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ToolRun run = verify(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.standardError.contains(c.says)) << run.standardError.toStdString();
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_EQ(run.standardError.count('\n'), 1) << run.standardError.toStdString();
    }
    const ToolRun help = verify({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.standardOutput.contains("--dowod PLIK"));
}

} // namespace
