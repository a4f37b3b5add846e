#pragma once

#include <private/qqmljsastvisitor_p.h>
#include <private/qqmljssourcelocation_p.h>

#include <QList>
#include <QMap>
#include <QString>

QT_BEGIN_NAMESPACE
namespace QQmlJS {
class Engine;
}
QT_END_NAMESPACE

namespace Lexora {
struct CatalogMessage;
class TranslationCatalog;
class UserFeedbackInterface;
} // namespace Lexora

namespace Lexora::Support {

// The file name with its control characters written as \xNN, so that a
// message naming it keeps its lines.
QString printableFileName(const QString &fileName);

// Walks the syntax tree of one QML document and appends a catalogue message
// for every translation call it recognises. Meta comments (//:, //=, //%, //~) in
// front of a call are collected while walking and attached to that call;
// whatever no call consumes is reported at the end of its statement.
//
// One instance serves one file on one thread.
class FindTrCalls : public QQmlJS::AST::Visitor
{
public:
    FindTrCalls(QQmlJS::Engine *engine,
                TranslationCatalog *catalog,
                UserFeedbackInterface *errorSink,
                const QString &fileName);

    // Visits the tree below root and then processes the comments that follow
    // the last node.
    void extract(QQmlJS::AST::Node *root);

    void postVisit(QQmlJS::AST::Node *node) override;
    void endVisit(QQmlJS::AST::CallExpression *node) override;
    void throwRecursionDepthError() override;

    // The meta data collected from comments and not yet consumed by a call.
    const QString &extraComment() const { return m_extraComment; }
    const QString &metaId() const { return m_metaId; }
    const QString &metaSourceText() const { return m_metaSourceText; }
    const QMap<QString, QString> &extras() const { return m_extras; }

    // Whether a subtree was skipped for being nested too deeply: the file's
    // messages are then incomplete.
    bool depthExceeded() const { return m_depthExceeded; }

    // Positions in the engine's code, in order, of characters that stand for
    // bytes the file's encoding could not decode. An ID that holds one is not
    // the ID the file means: it is reported and left out.
    void setInvalidTextPositions(const QList<qsizetype> &positions)
    {
        m_invalidPositions = positions;
    }
    bool hasUndecodableIds() const { return m_undecodableIds; }

private:
    void processComments(quint32 offset, bool flush = false);
    void processComment(const QQmlJS::SourceLocation &location);
    void parseMetaString(QStringView text, int line);
    void appendMetaIdMessage(const QString &name,
                             int line,
                             const QString &context,
                             QQmlJS::AST::ArgumentList *sourceArgument);
    void takeMetaData(CatalogMessage &message);
    void consumeMetaData();
    bool hasMetaData() const;

    void reportFileError(int line, const QString &message) const;
    // Reports and remembers an ID whose text, from `begin` to `end` in the
    // code, is not what the file holds.
    bool isUndecodable(quint32 begin, quint32 end, int line);

    QQmlJS::Engine *m_engine;
    TranslationCatalog *m_catalog;
    UserFeedbackInterface *m_errorSink;
    QString m_fileName;

    QString m_extraComment;
    QString m_metaId;
    QString m_metaSourceText;
    QMap<QString, QString> m_extras;

    // The engine's comments in source order; everything before
    // m_nextComment has been processed.
    QList<QQmlJS::SourceLocation> m_pendingComments;
    qsizetype m_nextComment = 0;
    bool m_depthExceeded = false;
    QList<qsizetype> m_invalidPositions;
    bool m_undecodableIds = false;
};

} // namespace Lexora::Support
