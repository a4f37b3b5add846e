#include "lifecyclerecorder.h"

class AlphaPlugin : public RecordingPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID HOST_PLUGIN_IID FILE "alpha.json")

public:
    AlphaPlugin() : RecordingPlugin(QStringLiteral("Alpha")) { }
};

#include "alphaplugin.moc"
