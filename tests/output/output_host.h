// The headless host with its document model, connected to the client in-process, for the tests
// of output documents, word lists, reports and the book walk.
#pragma once

#include "host/api/host.h"
#include "host/model/builder.h"
#include "runtime/api.h"
#include "runtime/connection.h"
#include "support/enc.h"
#include "support/enc_convert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

class OutputHost : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
        ASSERT_EQ(ClientConnect(&host_), 0);
        // As the client's start-up does: the encodings find the host's converters, and console
        // lines reach the host.
        host_.session().installDir = LX_TEST_INSTALL_DIR;
        EncHostGetString = ApiGetString;
        EncStartup();
        ConsoleCallback = ApiPrintConsole;
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("lexameter_output_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        ConsoleCallback = nullptr;
        ClientShutdown();
        std::filesystem::remove_all(dir_);
    }

    lxhost::Session& Model() { return host_.session(); }

    // A plain-text file in the test's folder; returns its path.
    std::string TextFile(const std::string& name, const std::string& text) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The paragraphs of a document's main flow as (format, text), without the empty last one
    // that the next addition would write into.
    std::vector<std::pair<std::string, std::string>> Paragraphs(ObjectId id) {
        std::vector<std::pair<std::string, std::string>> out;
        lxhost::Document* doc = Model().FindDocument(id);
        if (!doc)
            return out;
        const lxhost::Flow* main = doc->FindFlow(doc->mainFlow);
        for (ObjectId p = main ? main->firstPara : 0; p != 0; p = doc->NextParagraph(p)) {
            const lxhost::Paragraph* para = doc->FindParagraph(p);
            out.emplace_back(doc->FormatNameOf(*para), para->body.text());
        }
        if (!out.empty() && out.back().second.empty())
            out.pop_back();
        return out;
    }

    // The documents opened since the given list of open documents was taken.
    std::vector<ObjectId> NewDocuments(const std::vector<ObjectId>& before) {
        std::vector<ObjectId> made;
        for (ObjectId id : Model().openDocuments())
            if (std::find(before.begin(), before.end(), id) == before.end())
                made.push_back(id);
        return made;
    }

    lxhost::Host host_;
    std::filesystem::path dir_;
};
