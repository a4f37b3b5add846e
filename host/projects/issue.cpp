#include "issue.h"

namespace Host::Projects {

Issue::Issue(Type type,
             const QString &description,
             const Utils::Path &file,
             int line,
             const QByteArray &category,
             const QIcon &icon,
             Options options)
    : type(type),
      description(description),
      file(file),
      line(file.isEmpty() ? -1 : line),
      category(category),
      icon(icon),
      options(options)
{ }

} // namespace Host::Projects
