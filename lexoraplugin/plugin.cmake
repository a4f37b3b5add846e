# The plugin's own services at the top of lexoraplugin/, bundled with every
# area library into `LexoraPlugin`: the one library the plugin module, the
# command-line tool and the tests link.
add_library(LexoraPlugin STATIC
    atomicfile.cpp atomicfile.h
    fileservices.cpp fileservices.h
    fileservicesinterface.h
    generationrunner.cpp generationrunner.h
    generationservices.h
    databaseaccess.cpp databaseaccess.h
    importexportinterface.h
    jsonimportexport.cpp jsonimportexport.h
    jsontranslatablesreader.cpp jsontranslatablesreader.h
    linguistimport.cpp linguistimport.h
    pseudolocale.cpp pseudolocale.h
    pseudopreviewlanguages.cpp pseudopreviewlanguages.h
    pseudotranslationfiles.cpp pseudotranslationfiles.h
    translationfileservices.cpp translationfileservices.h
    translationfileservicesinterface.h
    writetranslationfiles.cpp writetranslationfiles.h
    lexoraconstants.h
    lexorapluginprivate.cpp lexorapluginprivate.h
    userfeedback.cpp userfeedback.h
)
add_library(Lexora::Plugin ALIAS LexoraPlugin)

target_link_libraries(LexoraPlugin
    PUBLIC
        Lexora::Shared
        Lexora::Database
        Lexora::TranslationFiles
        Lexora::Languages
        Lexora::TranslationsView
        Lexora::TranslationTests
        Host::Core
        Host::Projects
        Host::Utils
        Qt6::Core
        Qt6::Widgets
)

# The module the host's plugin manager loads.
qt_add_plugin(LexoraPluginModule SHARED CLASS_NAME LexoraPlugin)
target_sources(LexoraPluginModule PRIVATE
    lexoraplugin.cpp lexoraplugin.h
    lexoraactions.cpp lexoraactions.h
    Lexora.json
)
set_target_properties(LexoraPluginModule PROPERTIES
    OUTPUT_NAME lexora
    LIBRARY_OUTPUT_DIRECTORY ${LEXORA_PLUGIN_OUTPUT_DIRECTORY})
target_link_libraries(LexoraPluginModule PRIVATE
    Lexora::Plugin
    Lexora::CheckRunner
    Host::TextEditor
    Host::QmlProject
    Host::ExtensionSystem
    Host::Core
    Host::Projects
    Qt6::Widgets)
