#include "peertools.h"

#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

namespace PeerTools {

QString toolPath(const QString &name)
{
    const QString qtTool = QLibraryInfo::path(QLibraryInfo::BinariesPath) + u'/' + name;
    if (QFileInfo(qtTool).isExecutable())
        return qtTool;
    return QStandardPaths::findExecutable(name);
}

ToolResult runTool(const QString &name, const QStringList &arguments)
{
    ToolResult result;
    QProcess process;
    process.start(toolPath(name), arguments);
    result.started = process.waitForStarted();
    if (!result.started)
        return result;
    process.waitForFinished(120000);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

bool writeCatalog(const Lexora::TranslationCatalog &catalog,
                  const QString &format,
                  const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return catalog.saveCatalog(file, format);
}

QByteArray lrelease(const QString &tsFilePath, bool noUnfinished)
{
    const QString qmFilePath = tsFilePath.chopped(3) + QStringLiteral(".lrelease.qm");
    QFile::remove(qmFilePath);
    QStringList arguments { QStringLiteral("-idbased"), QStringLiteral("-silent") };
    if (noUnfinished)
        arguments << QStringLiteral("-nounfinished");
    arguments << tsFilePath << QStringLiteral("-qm") << qmFilePath;
    const ToolResult result = runTool(QStringLiteral("lrelease"), arguments);
    if (!result.started || result.exitCode != 0)
        return {};
    QByteArray qm = readFile(qmFilePath);
    if (qm.isNull())
        qm = QByteArray("");
    return qm;
}

QList<QmSection> qmSections(const QByteArray &qm)
{
    QList<QmSection> sections;
    qsizetype position = 16;
    while (position + 5 <= qm.size()) {
        const auto tag = uchar(qm[position]);
        const auto length = qFromBigEndian<quint32>(qm.constData() + position + 1);
        position += 5;
        sections.append({ tag, qm.mid(position, length) });
        position += length;
    }
    return sections;
}

QByteArray qmSection(const QByteArray &qm, uchar tag)
{
    for (const QmSection &section : qmSections(qm)) {
        if (section.tag == tag)
            return section.payload;
    }
    return {};
}

QByteArray qmMagic()
{
    return QByteArray::fromHex("3CB86418CAEF9C95CD211CBF60A1BDDD");
}

QByteArray qmSectionBytes(uchar tag, const QByteArray &payload)
{
    QByteArray bytes(5, Qt::Uninitialized);
    bytes[0] = char(tag);
    qToBigEndian<qint32>(qint32(payload.size()), bytes.data() + 1);
    return bytes + payload;
}

} // namespace PeerTools
