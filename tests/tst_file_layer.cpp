// The system's file layer itself, on Debian and on Windows alike: what other programs may do with
// a file while a run records into it, what is refused as no regular file, and the default
// folder's privacy.

#include "test_support.h"

#include "files/file_layer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>

#include <aclapi.h>
#else
#include <sys/stat.h>
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
    void cutAndSyncThroughTheHandle();
    void defaultFolderIsForItsOwnerAlone();
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
    const QString device = u"NUL"_s;
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

void TestFileLayer::cutAndSyncThroughTheHandle()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"send_1208.txt"_s);
    writeFile(path, "whole\r\ntorn");
    FileHandle file(files, files.openForCutting(path).handle);
    QVERIFY(file.isOpen());
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
    QVERIFY(!files.makeFolder(folder));
    QVERIFY(QDir(folder).exists());
    QVERIFY(files.makeFolder(folder)); // there already
#ifdef Q_OS_WIN
    // No entry of the access list lets anyone in but the user and the system itself: not
    // Everyone, not the computer's Users, not any user who has logged on.
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

QTEST_MAIN(TestFileLayer)
#include "tst_file_layer.moc"
