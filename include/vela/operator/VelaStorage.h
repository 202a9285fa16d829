/// \file
/// \brief VelaStorage, the section store behind replay and script files.
/// \ingroup operator
#ifndef VELA_OPERATOR_VELASTORAGE_H
#define VELA_OPERATOR_VELASTORAGE_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

/// \addtogroup operator
/// @{

/// The section store behind replay and script files.
///
/// A replay file records what an operator was given and what it produced; a
/// script file records a sequence of such runs. Any module may collect named
/// sections in the storage that every VelaStream carries, each tagged with
/// the part of the file it belongs to (script, input, output, reference) and
/// the run index inside a script; the stream's WriteSections lays them out,
/// grouped by part and run index and separated by part separator lines.
///
/// The storage remembers a current part and a current run index. They only
/// decide where AddSection puts a section given index 0, which sections
/// FindSection searches, and which index HasSections checks for index 0.
///
/// Choices made for this implementation:
/// - The storage owns its sections and cannot be copied (a VelaStream, its
///   only owner, cannot be copied either).
/// - The level-6 trace of AddSection shows the run index the section is
///   filed under, that is the current index when 0 was given. It is written
///   before the duplicate check, so a refused section is traced too.
/// - A part outside SCRIPT..REFERENCE is stored as given; the trace shows it
///   as nine blanks, and no layout of WriteSections ever writes it.
///
/// Not thread-safe: a storage belongs to one stream and one thread.
class VELA_API VelaStorage {
 public:
  /// The part of a replay or script file a section belongs to.
  enum ReplayPart : int {
    SCRIPT = 0,     ///< the script part
    INPUT = 1,      ///< what an operator was given
    OUTPUT = 2,     ///< what an operator produced
    REFERENCE = 3,  ///< the reference part
    /// Not a part of its own: asks VelaStream::WriteSections for all parts.
    ALL_PARTS = 4,
  };

  /// One named piece of a replay or script file. Written as the name (and
  /// the options behind a blank), an empty line, then the body when there is
  /// one; a section whose options and body are both empty is never written.
  struct VELA_API Section {
    /// The section's name.
    VelaString name;
    VelaString options;  ///< may be empty
    VelaString body;     ///< may be empty; may hold several lines
    /// The part of the file the section belongs to.
    ReplayPart part = INPUT;
    int index = 0;            ///< run index; 0 for the single or first run
    Section* next = nullptr;  ///< next section in insertion order
  };

  /// No sections; current part INPUT, current index 0.
  VelaStorage();
  /// Frees every section of the list.
  ~VelaStorage();
  /// Not copyable: the storage owns its sections.
  VelaStorage(const VelaStorage&) = delete;
  /// Not assignable: the storage owns its sections.
  VelaStorage& operator=(const VelaStorage&) = delete;

  /// Appends a section (index 0 stands for the current index) and returns 1.
  /// Refuses a section whose part, index and name equal those of a section
  /// already stored: traces "Duplicated section <name> found" and returns 0,
  /// adding nothing. Returns 0 too when memory runs out. From trace level 6
  /// on, first traces the section ("Added <part> <index> section <name>",
  /// then its options and its body). O(number of sections).
  unsigned char AddSection(const VelaString& name, const VelaString& options,
                           const VelaString& body, ReplayPart part, int index);
  /// Current part = part; current index = index, unless index is 0 (then
  /// the current index stays).
  void ChooseReplayPart(ReplayPart part, int index);
  /// A new section with empty strings, the given part and index 0, not in
  /// the list: the caller owns it (delete). Null when memory runs out.
  Section* CreateSection(ReplayPart part);
  /// The first section of the current part and index with that name, or
  /// null. O(number of sections).
  const Section* FindSection(const VelaString& name) const;
  /// Head of the list in insertion order (null when empty).
  const Section* GetFirstSection() const { return first_; }
  /// Whether any section (written or not) has that part and index; index 0
  /// stands for the current index. O(number of sections).
  unsigned char HasSections(ReplayPart part, int index) const;

  /// The current part, the one FindSection searches.
  ReplayPart GetCurrentPart() const { return currentPart_; }
  /// The current run index.
  int GetCurrentIndex() const { return currentIndex_; }

 private:
  // The first section with that part, index (taken as given) and name.
  const Section* FindSection(const VelaString& name, ReplayPart part, int index) const;

  // Singly linked in insertion order, owned. last_ is null exactly when
  // first_ is, and otherwise the section whose next is null.
  Section* first_ = nullptr;
  Section* last_ = nullptr;
  ReplayPart currentPart_ = INPUT;
  int currentIndex_ = 0;
};

/// @}

#endif  // VELA_OPERATOR_VELASTORAGE_H
