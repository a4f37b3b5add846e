# The plugin's own services at the top of lexoraplugin/, bundled with every
# area library into `LexoraPlugin`: the one library the plugin module, the
# command-line tool and the tests link.
add_library(LexoraPlugin STATIC
    importexportinterface.h
    jsonimportexport.cpp jsonimportexport.h
)
add_library(Lexora::Plugin ALIAS LexoraPlugin)

target_link_libraries(LexoraPlugin
    PUBLIC
        Lexora::Shared
        Lexora::Database
        Lexora::TranslationFiles
        Lexora::Languages
        Qt6::Core
)
