// libcrypto is opened when a password is first encrypted or decrypted: several threads may be
// first at once, and a libcrypto that cannot be used makes encryption fail, never crash.

#include "xalcrypt.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(CryptLoading, threads_using_it_first_at_once_all_get_the_library) {
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([i, &good] {
            const QString plain = QStringLiteral("pw %1").arg(i);
            QByteArray text;
            QString out;
            if (EncryptStringW(plain, kXalAccessKey, text) &&
                DecryptStringW(text.constData(), kXalAccessKey, out) && out == plain)
                ++good;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(good.load(), 8);
}

struct Ran {
    int exitCode = -1;
    bool crashed = true;
    QByteArray out;
    QByteArray err;
};

// xalcrypt with the folder searched first for libcrypto.so.3.
Ran EncryptWithLibraryFolder(const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), folder);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(XAL_CRYPT_PROGRAM),
                  {QStringLiteral("encrypt"), QStringLiteral("secret")});
    Ran ran;
    if (!process.waitForFinished(30000))
        return ran;
    ran.crashed = process.exitStatus() != QProcess::NormalExit;
    ran.exitCode = process.exitCode();
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    return ran;
}

TEST(CryptLoading, program_without_a_usable_libcrypto_says_encryption_failed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fake = dir.filePath(QStringLiteral("libcrypto.so.3"));

    // The folder alone changes nothing.
    const Ran plain = EncryptWithLibraryFolder(dir.path());
    EXPECT_FALSE(plain.crashed);
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_FALSE(plain.out.trimmed().isEmpty());

    // Not a library at all.
    {
        QFile file(fake);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a library");
    }
    const Ran garbage = EncryptWithLibraryFolder(dir.path());
    EXPECT_FALSE(garbage.crashed);
    EXPECT_EQ(garbage.exitCode, 1);
    EXPECT_EQ(garbage.err, "xalcrypt: encryption failed\n");
    EXPECT_TRUE(garbage.out.isEmpty());

    // A real library without libcrypto's functions: the C library itself.
    Dl_info info{};
    ASSERT_NE(::dladdr(reinterpret_cast<void*>(&::strlen), &info), 0);
    ASSERT_TRUE(QFile::remove(fake));
    ASSERT_TRUE(QFile::link(QFile::decodeName(info.dli_fname), fake));
    const Ran other = EncryptWithLibraryFolder(dir.path());
    EXPECT_FALSE(other.crashed);
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(other.err, "xalcrypt: encryption failed\n");
    EXPECT_TRUE(other.out.isEmpty());
}

} // namespace
