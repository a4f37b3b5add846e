// Writes a 50,000-message catalogue as .ts and as .qm and compares the time
// with Qt's lrelease compiling the equivalent .ts in the same run.

#include "benchresult.h"
#include "translationfiles/translationcatalog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Lexora;

namespace {

constexpr int messageCount = 50000;
constexpr int rounds = 7;

TranslationCatalog makeCatalog()
{
    TranslationCatalog catalog;
    catalog.setLanguage(QStringLiteral("de"));
    QRandomGenerator random(20240601);
    QList<CatalogMessage> messages;
    messages.reserve(messageCount);
    for (int i = 0; i < messageCount; ++i) {
        CatalogMessage message;
        message.id = QStringLiteral("screen%1.item%2.text%3")
                         .arg(random.bounded(400))
                         .arg(random.bounded(100000))
                         .arg(i);
        message.translation
            = QStringLiteral("Übersetzung Nummer %1 für „%2“ & mehr").arg(i).arg(message.id);
        if (i % 10 == 0)
            message.translatorComment = QStringLiteral("Button label, at most 20 characters");
        message.type = CatalogMessage::Finished;
        messages.append(std::move(message));
    }
    catalog.setMessages(std::move(messages));
    return catalog;
}

double medianMilliseconds(const std::function<bool()> &run)
{
    QList<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run())
            return -1;
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool save(const TranslationCatalog &catalog, const QString &format, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return catalog.saveCatalog(file, format);
}

QString lreleasePath()
{
    const QString path
        = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QStringLiteral("/lrelease");
    if (QFileInfo(path).isExecutable())
        return path;
    return QStandardPaths::findExecutable(QStringLiteral("lrelease"));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString lrelease = lreleasePath();
    if (lrelease.isEmpty()) {
        std::fprintf(stderr,
                     "bench_translationfiles: lrelease not found (package qt6-l10n-tools)\n");
        return 1;
    }
    QTemporaryDir directory;
    if (!directory.isValid())
        return 1;

    const TranslationCatalog catalog = makeCatalog();
    const QString tsPath = directory.filePath(QStringLiteral("qml_de.ts"));
    const QString qmPath = directory.filePath(QStringLiteral("qml_de.qm"));
    const QString peerQmPath = directory.filePath(QStringLiteral("qml_de.lrelease.qm"));

    const double tsTime
        = medianMilliseconds([&] { return save(catalog, QStringLiteral("ts"), tsPath); });
    const double qmTime
        = medianMilliseconds([&] { return save(catalog, QStringLiteral("qm"), qmPath); });
    const double lreleaseTime = medianMilliseconds([&] {
        QProcess process;
        process.start(lrelease,
                      { QStringLiteral("-idbased"),
                        QStringLiteral("-nounfinished"),
                        QStringLiteral("-silent"),
                        tsPath,
                        QStringLiteral("-qm"),
                        peerQmPath });
        return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    });
    if (tsTime < 0 || qmTime < 0 || lreleaseTime <= 0) {
        std::fprintf(stderr, "bench_translationfiles: a run failed\n");
        return 1;
    }

    const bool identical = readAll(qmPath) == readAll(peerQmPath);
    std::printf("bench_translationfiles: %d messages, median of %d rounds\n", messageCount, rounds);
    std::printf("  TS writer            %9.2f ms\n", tsTime);
    std::printf("  QM writer            %9.2f ms\n", qmTime);
    std::printf("  lrelease (peer)      %9.2f ms   (.qm identical to ours: %s)\n",
                lreleaseTime,
                identical ? "yes" : "NO");
    std::printf("  ratio TS writer / lrelease        %.3f\n", tsTime / lreleaseTime);
    std::printf("  ratio QM writer / lrelease        %.3f   (target <= 1)\n",
                qmTime / lreleaseTime);
    std::printf("  ratio TS + QM writers / lrelease  %.3f\n", (tsTime + qmTime) / lreleaseTime);
    char measured[64], peer[64];
    Bench::printResult("bench_translationfiles",
                       "QM writer",
                       Bench::format(measured, "%.2f ms", qmTime),
                       Bench::format(peer, "lrelease %.2f ms", lreleaseTime),
                       qmTime / lreleaseTime,
                       1,
                       "x");
    return identical ? 0 : 1;
}
