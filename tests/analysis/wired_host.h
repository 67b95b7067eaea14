// A host whose document objects are wired property by property, so that every rule of the walk
// can be set up on its own, and a connected client for the test's duration.
#pragma once

#include "host/api/host.h"
#include "runtime/api.h"
#include "runtime/connection.h"
#include "runtime/vocabulary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

constexpr ObjectId kWiredDoc = 0x01000001;

inline ObjectId Id(std::uint32_t kind, std::uint32_t serial) {
    return kind << 24 | serial;
}

// Kinds of the wired objects that are not pages or text lines.
constexpr std::uint32_t kFlow = 0x20, kFrame = 0x21, kPara = 0x22, kGraphic = 0x23,
                        kFootnote = 0x24, kTable = 0x25, kRow = 0x26, kCell = 0x27;

class WiredHost : public ::testing::Test {
  protected:
    void SetUp() override {
        ApiErrno = 0;
        ASSERT_EQ(ClientConnect(&host_), 0);
    }
    void TearDown() override { ClientShutdown(); }

    void Link(ObjectId obj, std::int32_t prop, ObjectId to) {
        host_.SetValue(obj, prop, {static_cast<std::int32_t>(to)});
    }
    void Int(ObjectId obj, std::int32_t prop, std::int32_t v) { host_.SetValue(obj, prop, {v}); }

    // A chain of paragraphs hung from a container, each with text class 1.
    void Chain(ObjectId container, std::vector<ObjectId> paragraphs) {
        Link(container, kPropFirstParagraph, paragraphs.front());
        for (std::size_t i = 0; i < paragraphs.size(); ++i) {
            Link(paragraphs[i], kPropNextParagraph,
                 i + 1 < paragraphs.size() ? paragraphs[i + 1] : 0);
            Int(paragraphs[i], kPropTextClass, 1);
        }
    }
    void Flows(std::vector<ObjectId> flows) {
        Link(kWiredDoc, kPropFirstFlow, flows.front());
        for (std::size_t i = 0; i + 1 < flows.size(); ++i)
            Link(flows[i], kPropNextFlow, flows[i + 1]);
    }
    void Text(ObjectId obj, const std::string& text) { host_.SetText(obj, {{0, 1, text, 0}}); }

    // One flow on a body page whose paragraphs hold the given texts; returns the paragraphs.
    std::vector<ObjectId> BodyText(const std::vector<std::string>& texts) {
        ObjectId flow = Id(kFlow, 1), frame = Id(kFrame, 1);
        Flows({flow});
        Link(flow, kPropFirstTextFrame, frame);
        Link(frame, kPropParent, Id(kKindBodyPage, 1));
        std::vector<ObjectId> ps;
        for (std::size_t i = 0; i < texts.size(); ++i)
            ps.push_back(Id(kPara, static_cast<std::uint32_t>(i + 1)));
        Chain(frame, ps);
        for (std::size_t i = 0; i < texts.size(); ++i)
            Text(ps[i], texts[i]);
        return ps;
    }

    lxhost::Host host_;
};
