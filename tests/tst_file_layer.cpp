// The system's file layer itself, on Debian and on Windows alike: what other programs may do with
// a file while a run records into it, what is refused as no regular file, the default folder's
// privacy, what reaches the disk, and the Windows names the layer hands the system.

#include "test_support.h"

#include "files/file_layer.h"
#include "files/record_append.h"
#include "files/windows_names.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

FileLayer &files = FileLayer::system();

FileHandle openForAppend(const QString &path)
{
    const FileLayer::Opened opened = files.openForAppend(path);
    if (opened.handle == FileLayer::noHandle)
        qWarning("%s: %s", qPrintable(path), qPrintable(opened.failure));
    return FileHandle(files, opened.handle);
}

} // namespace

class TestFileLayer : public QObject
{
    Q_OBJECT
private slots:
    void othersReadWhileARunRecordsAndASecondRunWaits();
    void deviceIsNoRegularFile();
    void cutAndSyncThroughTheHandle_data();
    void cutAndSyncThroughTheHandle();
    void defaultFolderIsForItsOwnerAlone();
    void recordReachesTheDisk();
    void setAsideNeverReplacesAFile();
    void shortWriteIsContinuedOrReported();
    void extendedLengthPath_data();
    void extendedLengthPath();
    void recordInAFolderPastTheOldLimit();
    void onlyALinkToANameIsALink_data();
    void onlyALinkToANameIsALink();
};

void TestFileLayer::othersReadWhileARunRecordsAndASecondRunWaits()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"masterFile.txt"_s);
    FileHandle first = openForAppend(path);
    QVERIFY(first.isOpen());
    QVERIFY(!files.lock(first.get(), FileLayer::LockKind::Exclusive, 0ms));
    QVERIFY(!files.write(first.get(), "first\r\n"));

    // An editor, or "display SEND file" of another program, reads the file as it stands.
    QFile editor(path);
    QVERIFY(editor.open(QIODevice::ReadOnly));
    QCOMPARE(editor.readAll(), QByteArray("first\r\n"));

    // A second run opens the file, but waits in vain for the lock while the first holds it.
    FileHandle second = openForAppend(path);
    QVERIFY(second.isOpen());
    const auto busy = files.lock(second.get(), FileLayer::LockKind::Exclusive, 50ms);
    QVERIFY(busy && busy->busy);
    const auto shared = files.lock(second.get(), FileLayer::LockKind::Shared, 0ms);
    QVERIFY(shared && shared->busy);

    // Closing the file lets the lock go; the second run's bytes follow the first's.
    first.close();
    QVERIFY(!files.lock(second.get(), FileLayer::LockKind::Exclusive, 0ms));
    QVERIFY(!files.write(second.get(), "second\r\n"));
    QVERIFY(!files.sync(second.get()));
    QCOMPARE(readFile(path), QByteArray("first\r\nsecond\r\n"));
    QCOMPARE(files.status(second.get()).size, qint64(15));
}

void TestFileLayer::deviceIsNoRegularFile()
{
#ifdef Q_OS_WIN
    const QString device = u"\\\\.\\NUL"_s;
#else
    const QString device = u"/dev/null"_s;
#endif
    const FileLayer::Opened append = files.openForAppend(device);
    QCOMPARE(append.handle, FileLayer::noHandle);
    QCOMPARE(append.failure, u"Not a regular file"_s);
    const FileLayer::Opened read = files.openForReading(device, FileLayer::Links::Follow);
    QCOMPARE(read.handle, FileLayer::noHandle);
    QCOMPARE(read.failure, u"Not a regular file"_s);

    QTemporaryDir folder;
    const FileLayer::Opened aFolder = files.openForReading(folder.path(), FileLayer::Links::Follow);
    QCOMPARE(aFolder.handle, FileLayer::noHandle);
    QCOMPARE(aFolder.failure, u"Is a directory"_s);
    const FileLayer::Opened missing
            = files.openForReading(folder.filePath(u"gone.txt"_s), FileLayer::Links::Follow);
    QVERIFY(missing.missing);
    QCOMPARE(missing.failure, u"No such file or directory"_s);
}

void TestFileLayer::cutAndSyncThroughTheHandle_data()
{
    QTest::addColumn<bool>("appending");
    QTest::newRow("a-failed-record-rolled-back") << true;
    QTest::newRow("an-unfinished-record-recovered") << false;
}

void TestFileLayer::cutAndSyncThroughTheHandle()
{
    QFETCH(bool, appending);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"send_1208.txt"_s);
    writeFile(path, "whole\r\ntorn");
    FileHandle file(files,
                    (appending ? files.openForAppend(path) : files.openForCutting(path)).handle);
    QVERIFY(file.isOpen());
#ifdef Q_OS_WIN
    // NTFS sets the end of a file only through a handle that may write its data; Wine lets any
    // handle do it, so the right itself is looked at.
    PUBLIC_OBJECT_BASIC_INFORMATION information;
    QCOMPARE(::NtQueryObject(reinterpret_cast<HANDLE>(file.get()), ObjectBasicInformation,
                             &information, sizeof information, nullptr),
             NTSTATUS(0));
    QVERIFY(information.GrantedAccess & FILE_WRITE_DATA);
#endif
    QVERIFY(!files.cutTo(file.get(), 7));
    QVERIFY(!files.sync(file.get()));
    QCOMPARE(files.status(file.get()).size, qint64(7));
    QCOMPARE(readFile(path), QByteArray("whole\r\n"));
    // A new file is never made over a name that is there.
    QCOMPARE(files.createNew(path).handle, FileLayer::noHandle);
}

void TestFileLayer::defaultFolderIsForItsOwnerAlone()
{
    QTemporaryDir parent;
    const QString folder = parent.filePath(u"qorvanit"_s);
#ifdef Q_OS_WIN
    // The parent lets everyone in, and its folders inherit that, as the root of a drive may.
    PSECURITY_DESCRIPTOR everyone = nullptr;
    QVERIFY(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL open = nullptr;
    QVERIFY(::GetSecurityDescriptorDacl(everyone, &present, &open, &defaulted));
    std::wstring parentName = QDir::toNativeSeparators(parent.path()).toStdWString();
    QCOMPARE(::SetNamedSecurityInfoW(parentName.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                     nullptr, nullptr, open, nullptr),
             DWORD(ERROR_SUCCESS));
    ::LocalFree(everyone);
#endif
    [[maybe_unused]] const int flushes = FileLayer::flushCount();
    QVERIFY(!files.makeFolder(folder));
    QVERIFY(QDir(folder).exists());
#ifndef Q_OS_WIN
    // Its name is kept in its parent on the disk (NTFS journals a folder's names itself).
    QVERIFY(FileLayer::flushCount() > flushes);
#endif
    QVERIFY(files.makeFolder(folder)); // there already
#ifdef Q_OS_WIN
    // The folder takes nothing from its parent, and no entry of its access list lets anyone in
    // but the user and the system itself: not Everyone, not the computer's Users, not any user
    // who has logged on.
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    QCOMPARE(::GetNamedSecurityInfoW(QDir::toNativeSeparators(folder).toStdWString().c_str(),
                                     SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                     &list, nullptr, &descriptor),
             DWORD(ERROR_SUCCESS));
    QVERIFY(list);
    for (const WELL_KNOWN_SID_TYPE others :
         {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid}) {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof sid;
        QVERIFY(::CreateWellKnownSid(others, nullptr, sid, &size));
        for (WORD i = 0; i < list->AceCount; ++i) {
            ACCESS_ALLOWED_ACE *entry = nullptr;
            QVERIFY(::GetAce(list, i, reinterpret_cast<void **>(&entry)));
            QVERIFY(entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE
                    || !::EqualSid(&entry->SidStart, sid));
        }
    }
    ::LocalFree(descriptor);
#else
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0700));
#endif
}

void TestFileLayer::recordReachesTheDisk()
{
    QTemporaryDir folder;
    const QList<FileRecord> records = {{folder.filePath(u"masterFile.txt"_s), "record\r\n"},
                                       {folder.filePath(u"send_1208.txt"_s), "record\r\n"}};
    const int before = FileLayer::flushCount();
    QVERIFY(!appendRecords({files, folder.filePath(u"state"_s)}, records).failure);
    // The journal is flushed before the files are written, and each file after it is.
    QVERIFY2(FileLayer::flushCount() - before >= 1 + records.size(),
             qPrintable(QString::number(FileLayer::flushCount() - before)));
}

void TestFileLayer::setAsideNeverReplacesAFile()
{
    QTemporaryDir folder;
    const QString journal = folder.filePath(u".qorvanit-journal"_s);
    const QString aside = folder.filePath(u".qorvanit-journal.unusable-20261208-101500"_s);
    writeFile(journal, "new\r\n");
    writeFile(aside, "set aside earlier\r\n");
    QCOMPARE(files.rename(journal, aside), u"File exists"_s);
    QCOMPARE(readFile(journal), QByteArray("new\r\n"));
    QCOMPARE(readFile(aside), QByteArray("set aside earlier\r\n"));
}

void TestFileLayer::shortWriteIsContinuedOrReported()
{
    // A pipe that no one reads takes what its buffer holds, and then nothing, without waiting
    // (under Wine, nothing of a write that does not fit): a write of more is cut short, as a write
    // to a full disk may be.
#ifdef Q_OS_WIN
    HANDLE ends[2];
    QVERIFY(::CreatePipe(&ends[0], &ends[1], nullptr, 4096));
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    QVERIFY(::SetNamedPipeHandleState(ends[1], &mode, nullptr, nullptr));
    const FileHandle reader(files, FileLayer::Handle(ends[0])),
            writer(files, FileLayer::Handle(ends[1]));
#else
    int ends[2];
    QCOMPARE(::pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
    const FileHandle reader(files, ends[0]), writer(files, ends[1]);
#endif
    QVERIFY(files.write(writer.get(), QByteArray(1 << 20, 'x')));
}

void TestFileLayer::extendedLengthPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("longForm");
    const QString course = u"\\\\?\\c:\\course\\masterFile.txt"_s;
    QTest::newRow("drive") << u"c:/course/masterFile.txt"_s << course;
    QTest::newRow("drive-steps") << u"c:\\course\\.\\week 1\\..\\masterFile.txt"_s << course;
    QTest::newRow("trailing-blanks-and-dots") << u"c:\\course\\masterFile.txt. ."_s << course;
    QTest::newRow("drive-root") << u"C:"_s << u"\\\\?\\C:\\"_s;
    QTest::newRow("relative") << u"week 1\\notes_.txt"_s
                              << u"\\\\?\\C:\\Users\\ada\\week 1\\notes_.txt"_s;
    QTest::newRow("rooted") << u"\\course\\masterFile.txt"_s
                            << u"\\\\?\\C:\\course\\masterFile.txt"_s;
    QTest::newRow("network") << u"//server/share/course/masterFile.txt"_s
                             << u"\\\\?\\UNC\\server\\share\\course\\masterFile.txt"_s;
    QTest::newRow("long-already") << course << course;
    QTest::newRow("long-network-already")
            << u"\\\\?\\UNC\\server\\share\\a"_s << u"\\\\?\\UNC\\server\\share\\a"_s;
    QTest::newRow("device") << u"\\\\.\\NUL"_s << u"\\\\.\\NUL"_s;
}

void TestFileLayer::extendedLengthPath()
{
    QFETCH(QString, path);
    QFETCH(QString, longForm);
    QCOMPARE(::extendedLengthPath(path, u"C:/Users/ada"_s), longForm);
}

void TestFileLayer::recordInAFolderPastTheOldLimit()
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringList(12, u"week %1 of the course"_s).join(u'/'));
    QVERIFY(folder.size() > 260);
    QVERIFY(QDir().mkpath(folder));
    const QString master = folder + u"/masterFile.txt"_s;
    QVERIFY(!appendRecords({files, root.filePath(u"state"_s)}, {{master, "record\r\n"}}).failure);
    QCOMPARE(readFile(master), QByteArray("record\r\n"));
}

void TestFileLayer::onlyALinkToANameIsALink_data()
{
    QTest::addColumn<quint32>("attributes");
    QTest::addColumn<quint32>("reparseTag");
    QTest::addColumn<bool>("link");
    constexpr quint32 archive = 0x20, folder = 0x10, reparsePoint = 0x400;
    QTest::newRow("plain-file") << archive << 0u << false;
    QTest::newRow("symbolic-link") << (archive | reparsePoint) << 0xA000000Cu << true;
    QTest::newRow("junction") << (folder | reparsePoint) << 0xA0000003u << true;
    QTest::newRow("wsl-symbolic-link") << reparsePoint << 0xA000001Du << true;
    QTest::newRow("cloud-placeholder") << (archive | reparsePoint) << 0x9000001Au << false;
    QTest::newRow("cloud-placeholder-1") << reparsePoint << 0x9000101Au << false;
    QTest::newRow("cloud-placeholder-f") << reparsePoint << 0x9000F01Au << false;
    QTest::newRow("deduplicated") << reparsePoint << 0x80000013u << false;
    QTest::newRow("link-tag-without-the-attribute") << archive << 0xA000000Cu << false;
}

void TestFileLayer::onlyALinkToANameIsALink()
{
    QFETCH(quint32, attributes);
    QFETCH(quint32, reparseTag);
    QFETCH(bool, link);
    QCOMPARE(isLink(attributes, reparseTag), link);
}

QTEST_MAIN(TestFileLayer)
#include "tst_file_layer.moc"
