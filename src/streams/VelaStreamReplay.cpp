// VelaStream: the replay-file layout of the stream's section store.
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/streams/VelaStream.h"

namespace {

const char* SeparatorWord(VelaStorage::ReplayPart part) {
  switch (part) {
    case VelaStorage::SCRIPT:
      return " Script ";
    case VelaStorage::INPUT:
      return " Input ";
    case VelaStorage::OUTPUT:
      return " Output ";
    case VelaStorage::REFERENCE:
      return " Reference ";
    default:
      return " ";
  }
}

}  // namespace

void VelaStream::ChooseReplayPart(VelaStorage::ReplayPart part) {
  storage_.ChooseReplayPart(part, 0);
}

void VelaStream::ChooseReplayPart(VelaStorage::ReplayPart part, int index) {
  storage_.ChooseReplayPart(part, index);
}

// ---------------------------------------------------------------------------
// Header
// ---------------------------------------------------------------------------

namespace {

// The header of both WriteHeader forms; `level` is null for the form
// without a level.
void WriteHeaderTo(VelaStream& s, const VelaString& name, int version, const unsigned int* level) {
  s << chLineComment << name << velendl;
  s << chLineComment << version << velendl;
  VelaGlobalParameters& parameters = GetGlobalParameters();
  // Only a top-level run's file names the version: the files of its nested
  // runs belong with it.
  if (parameters.IsPrintVersion() && parameters.GetNestingLevel() == 0) {
    s << "# Vel version " << GetVelVersion();
    if (level != nullptr) {
      s << " level " << (*level >> 16);
      const unsigned int hfLevel = *level & 0xFFFFu;
      if (hfLevel != 0) s << " hf" << hfLevel;
    }
    s << velendl;
  }
  s << velendl;
  VelaPrintEnvSection(s);
}

}  // namespace

void VelaStream::WriteHeader(const VelaString& name, int version) {
  if (stream_ != nullptr) WriteHeaderTo(*this, name, version, nullptr);
}

void VelaStream::WriteHeader(const VelaString& name, int version, unsigned int level) {
  if (stream_ != nullptr) WriteHeaderTo(*this, name, version, &level);
}

// ---------------------------------------------------------------------------
// Sections
// ---------------------------------------------------------------------------

void VelaStream::WriteSections(VelaStorage::ReplayPart part) {
  if (stream_ == nullptr) return;
  if (part != VelaStorage::ALL_PARTS) {
    DoWriteSections(part, 0);
    return;
  }
  DoWriteSections(VelaStorage::SCRIPT, 0);
  DoWriteSections(VelaStorage::INPUT, 0);
  // The check looks at the current index while the sections written are
  // those of index 0: the two agree unless a caller chose another index.
  if (storage_.HasSections(VelaStorage::OUTPUT, 0)) {
    DoWritePartSeparator(VelaStorage::OUTPUT, 0);
  }
  DoWriteSections(VelaStorage::OUTPUT, 0);
  for (int i = 1; storage_.HasSections(VelaStorage::INPUT, i); ++i) {
    DoWritePartSeparator(VelaStorage::INPUT, i);
    DoWriteSections(VelaStorage::INPUT, i);
    DoWritePartSeparator(VelaStorage::OUTPUT, i);
    DoWriteSections(VelaStorage::OUTPUT, i);
  }
}

void VelaStream::WriteSections(VelaStorage::ReplayPart part, int index) {
  if (stream_ == nullptr) return;
  if (part != VelaStorage::ALL_PARTS) {
    DoWriteSections(part, index);
    return;
  }
  if (index == 0) {
    DoWriteSections(VelaStorage::SCRIPT, 0);
  } else {
    DoWritePartSeparator(VelaStorage::INPUT, index);
  }
  DoWriteSections(VelaStorage::INPUT, index);
  bool hasOutput = false;
  for (const VelaStorage::Section* s = storage_.GetFirstSection(); s != nullptr && !hasOutput;
       s = s->next) {
    hasOutput = s->part == VelaStorage::OUTPUT && s->index == index;
  }
  if (hasOutput) {
    DoWritePartSeparator(VelaStorage::OUTPUT, index);
    DoWriteSections(VelaStorage::OUTPUT, index);
  }
}

void VelaStream::DoWriteSections(VelaStorage::ReplayPart part, int index) {
  if (stream_ == nullptr) return;
  for (const VelaStorage::Section* s = storage_.GetFirstSection(); s != nullptr; s = s->next) {
    if (s->part != part || s->index != index) continue;
    if (s->options.isEmpty() && s->body.isEmpty()) continue;
    *this << s->name;
    if (!s->options.isEmpty()) *this << " " << s->options;
    *this << velendl << velendl;
    if (!s->body.isEmpty()) *this << s->body << velendl;
  }
}

void VelaStream::DoWritePartSeparator(VelaStorage::ReplayPart part, int index) {
  if (stream_ == nullptr) return;
  *this << "#!!=======" << SeparatorWord(part);
  if (index != 0) *this << index << " ";
  *this << "=======" << velendl;
}
