# Every fuzz target, named once: its source in fuzz/, the libraries it needs, and the stored
# inputs (folders or files under the source tree) that seed it and that CTest replays.
#
# In the fuzz build (fuzz/CMakeLists.txt sets LX_FUZZ_BUILD) a target becomes <name>_fuzz, linked
# with libFuzzer. In the test build it becomes <name>_corpus_replay, which feeds every stored input
# to the target once, as a test. fuzz/run reads the names and inputs from fuzz-targets.txt.
#   MODULE   the target loads the plug-in module and runs commands end to end
#   CONVERTERS   the target converts text, with the build tree's installation directory
function(lx_fuzz_target name)
    cmake_parse_arguments(ARG "MODULE;CONVERTERS" "SOURCE" "LIBS;INPUTS" ${ARGN})
    if(LX_FUZZ_BUILD)
        set(exe ${name}_fuzz)
        add_executable(${exe} ${PROJECT_SOURCE_DIR}/fuzz/${ARG_SOURCE})
        target_compile_options(${exe} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_options(${exe} PRIVATE -fsanitize=fuzzer,address,undefined)
    else()
        set(exe ${name}_corpus_replay)
        add_executable(${exe} ${PROJECT_SOURCE_DIR}/fuzz/replay.cpp
                              ${PROJECT_SOURCE_DIR}/fuzz/${ARG_SOURCE})
        set(inputs ${ARG_INPUTS})
        list(TRANSFORM inputs PREPEND ${PROJECT_SOURCE_DIR}/)
        add_test(NAME ${exe} COMMAND ${exe} ${inputs})
        set_tests_properties(${exe} PROPERTIES
            ENVIRONMENT "ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1")
    endif()
    target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS})
    if(ARG_MODULE)
        target_compile_definitions(${exe} PRIVATE
            LX_FUZZ_PLUGIN="$<TARGET_FILE:lexameter_plugin>")
        add_dependencies(${exe} lexameter_plugin)
    endif()
    if(ARG_MODULE OR ARG_CONVERTERS)
        target_compile_definitions(${exe} PRIVATE LX_FUZZ_INSTALL_DIR="${LX_BUILD_INSTALL_DIR}")
        add_dependencies(${exe} lx_converters)
    endif()
    # For fuzz/run: the name and the stored inputs, on one line.
    list(JOIN ARG_INPUTS " " inputs_line)
    set_property(GLOBAL APPEND PROPERTY LX_FUZZ_TARGETS "${name} ${inputs_line}")
endfunction()

lx_fuzz_target(mif SOURCE mif_target.cpp LIBS lx_host_model INPUTS fuzz/corpus samples)
lx_fuzz_target(mif_roundtrip SOURCE mif_roundtrip_target.cpp LIBS lx_host_model
    INPUTS fuzz/corpus samples)
# The documentation-source readers, where this build has their libraries.
if(LX_HAVE_MARKDOWN)
    lx_fuzz_target(markdown SOURCE markdown_target.cpp LIBS lx_host_model
        INPUTS fuzz/corpus-markdown samples/manual-md tests/e2e/data/docs tests/e2e/data/mdbook)
endif()
if(LX_HAVE_XML)
    lx_fuzz_target(html SOURCE html_target.cpp LIBS lx_host_model
        INPUTS fuzz/corpus-html samples/manual-html tests/e2e/data/xml)
    lx_fuzz_target(xml SOURCE xml_target.cpp LIBS lx_host_model
        INPUTS fuzz/corpus-xml samples/manual-docbook tests/e2e/data/xml)
endif()
# The client's support and analysis code, and the plug-in end to end. They call ICU and load a
# module the way the POSIX build does; the Windows build leaves them out.
if(NOT WIN32)
    lx_fuzz_target(tokenizer SOURCE tokenizer_target.cpp LIBS lx_analysis
        INPUTS fuzz/corpus-tokenizer samples/article.txt)
    lx_fuzz_target(path SOURCE path_target.cpp LIBS lx_support INPUTS fuzz/corpus-path)
    lx_fuzz_target(printf SOURCE printf_target.cpp LIBS lx_support INPUTS fuzz/corpus-printf)
    lx_fuzz_target(encoding SOURCE encoding_target.cpp LIBS lx_support CONVERTERS
        INPUTS fuzz/corpus-encoding tests/e2e/data/scripts.txt tests/e2e/data/windows-1252.txt)
    lx_fuzz_target(plain_text SOURCE plain_text_target.cpp LIBS lx_host_api MODULE
        INPUTS fuzz/corpus-text samples/article.txt tests/e2e/data/utf-16.txt)
    lx_fuzz_target(book SOURCE book_target.cpp LIBS lx_host_api MODULE
        INPUTS fuzz/corpus-book samples/manual/aquila-manual.book tests/e2e/data/nested.book
               tests/e2e/data/self.book tests/e2e/data/missing-chapter.book)
endif()
