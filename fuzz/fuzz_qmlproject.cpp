// The .qmlproject reader on arbitrary text, and a property write on what it
// read, as the language settings do.

#include <qmlproject/qmlprojectfile.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using Host::QmlProject::QmlProjectFile;

namespace {

std::size_t visit(const QmlProjectFile::Element &element)
{
    std::size_t sum = std::size_t(element.typeName.size());
    for (const QmlProjectFile::Property &property : element.properties)
        sum += std::size_t(property.name.size() + property.source.size() + property.offset
                           + property.length + property.value.toString().size());
    for (const QmlProjectFile::Element &child : element.children)
        sum += visit(child);
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QmlProjectFile file;
    QString error;
    if (!file.parse(text, &error))
        return 0;
    if (visit(file.root()) == std::size_t(-1))
        std::abort();
    file.setPropertySource(
        QStringLiteral("supportedLanguages"),
        QmlProjectFile::stringList({ QStringLiteral("en"), QStringLiteral("de") }),
        &error);
    return 0;
}
