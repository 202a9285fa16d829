#include "vela/operator/VelaStorage.h"

#include <new>

#include "vela/config/VelaGlobalParameters.h"

namespace {

// The words of the level-6 trace: nine characters each, so that the columns
// of consecutive lines line up.
const char* TracePartWord(VelaStorage::ReplayPart part) {
  switch (part) {
    case VelaStorage::SCRIPT:
      return "SCRIPT   ";
    case VelaStorage::INPUT:
      return "INPUT    ";
    case VelaStorage::OUTPUT:
      return "OUTPUT   ";
    case VelaStorage::REFERENCE:
      return "REFERENCE";
    default:
      return "         ";
  }
}

constexpr int kSectionTraceLevel = 6;

}  // namespace

VelaStorage::VelaStorage() = default;

VelaStorage::~VelaStorage() {
  while (first_ != nullptr) {
    Section* next = first_->next;
    delete first_;
    first_ = next;
  }
}

unsigned char VelaStorage::AddSection(const VelaString& name, const VelaString& options,
                                      const VelaString& body, ReplayPart part, int index) {
  if (index == 0) index = currentIndex_;
  VelaGlobalParameters& parameters = GetGlobalParameters();
  if (parameters.GetTraceLevel() >= kSectionTraceLevel) {
    if (VelaStream* trace = parameters.GetTraceStream()) {
      *trace << "Added " << TracePartWord(part) << " " << index << " section " << name << velendl;
      *trace << "           with options " << options << velendl;
      *trace << "              with body " << body << velendl;
    }
  }
  if (FindSection(name, part, index) != nullptr) {
    if (VelaStream* trace = parameters.GetTraceStream()) {
      *trace << "Duplicated section " << name << " found" << velendl;
    }
    return 0;
  }
  Section* section = new (std::nothrow) Section;
  if (section == nullptr) return 0;
  section->name = name;
  section->options = options;
  section->body = body;
  section->part = part;
  section->index = index;
  if (last_ == nullptr) {
    first_ = section;
  } else {
    last_->next = section;
  }
  last_ = section;
  return 1;
}

void VelaStorage::ChooseReplayPart(ReplayPart part, int index) {
  currentPart_ = part;
  if (index != 0) currentIndex_ = index;
}

VelaStorage::Section* VelaStorage::CreateSection(ReplayPart part) {
  Section* section = new (std::nothrow) Section;
  if (section != nullptr) section->part = part;
  return section;
}

const VelaStorage::Section* VelaStorage::FindSection(const VelaString& name) const {
  return FindSection(name, currentPart_, currentIndex_);
}

const VelaStorage::Section* VelaStorage::FindSection(const VelaString& name, ReplayPart part,
                                                     int index) const {
  for (const Section* s = first_; s != nullptr; s = s->next) {
    if (s->part == part && s->index == index && s->name == name) return s;
  }
  return nullptr;
}

unsigned char VelaStorage::HasSections(ReplayPart part, int index) const {
  if (index == 0) index = currentIndex_;
  for (const Section* s = first_; s != nullptr; s = s->next) {
    if (s->part == part && s->index == index) return 1;
  }
  return 0;
}
