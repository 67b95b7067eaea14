// What every documentation-source fuzz target checks of a document its reader made: the MIF
// writer writes it, the MIF reader reads that back, and the text renderer renders it.
#pragma once

#include "fuzz/fuzz_target.h"
#include "host/formats/mif_reader.h"
#include "host/formats/mif_writer.h"

#include <string>

inline void CheckSourceDocument(lxhost::Session& session, lxhost::Document& doc) {
    const std::string written = lxhost::WriteMif(doc);
    std::string error;
    FuzzCheck(lxhost::ReadMifDocument(written, "written.mif", session.NewDocument(), {}, &error),
              "a document the readers made that the MIF writer cannot express");
    lxhost::RenderText(doc);
}
