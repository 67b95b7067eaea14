// What every documentation-source fuzz target checks of a document its reader made: the MIF
// writer writes it, the MIF reader reads that back, and the text renderer renders it.
#pragma once

#include "host/files/mif_reader.h"
#include "host/files/mif_writer.h"

#include <string>

inline void CheckSourceDocument(lxhost::Session& session, lxhost::Document& doc) {
    const std::string written = lxhost::WriteMif(doc);
    std::string error;
    if (!lxhost::ReadMifDocument(written, "written.mif", session.NewDocument(), {}, &error)) {
        __builtin_trap(); // a document the readers made that the MIF writer cannot express
    }
    lxhost::RenderText(doc);
}
