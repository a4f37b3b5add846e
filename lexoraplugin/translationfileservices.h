#pragma once

#include "translationfileservicesinterface.h"

namespace Lexora {

class UserFeedbackInterface;

// Keeps no state between calls, so workers may share one instance.
class TranslationFileServices final : public TranslationFileServicesInterface
{
public:
    // `feedback` receives every report of the catalogues; it must outlive this.
    explicit TranslationFileServices(UserFeedbackInterface &feedback) : m_feedback(feedback) { }

    QList<CatalogMessage> loadMessages(QIODevice *device,
                                       std::string_view path,
                                       const QString &format,
                                       bool *complete = nullptr) override;
    void saveMessages(const QList<CatalogMessage> &messages,
                      const QString &format,
                      const QString &language,
                      QIODevice &device) override;

private:
    UserFeedbackInterface &m_feedback;
};

} // namespace Lexora
