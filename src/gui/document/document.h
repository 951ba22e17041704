// SPDX-License-Identifier: GPL-3.0-or-later
// The project being edited: the project, the frames generated from it, their
// playback, its file name, the selected layer and the undo history. Every
// change a user makes goes through here as an undo command (commands/),
// whose redo() makes the change; the panels only read the model and react
// to the signals below. The modified flag is the undo stack's clean state.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QUndoStack>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "gui/document/playback.h"
#include "render/frame_sequence.h"

namespace kt58 {
class Project;
class Layer;
class ImageResource;
}  // namespace kt58
class QMimeData;

// Merge ids of the undo commands: consecutive changes made with one control
// (a slider dragged, a number typed digit by digit, a drag, a run of nudges)
// become one undo step. Controls whose changes never merge use kNoMerge.
enum EditMerge : int {
  kNoMerge = -1,
  kMergeLayerPosition = 1,  // drag and nudge
  kMergeOffsetX,
  kMergeOffsetY,
  kMergeStartAngle,
  kMergeDegreesToRotate,
  kMergeTransparency,
  kMergeAltTransparency,
  kMergeFadeStart,
  kMergeFadeFinal,
  kMergeButtonizeAmount,
  kMergeFixedWidth,
  kMergeFixedHeight,
  kMergeFrameCount,
  kMergePlaySpeed,
};

// Every change to the project, its generated frames or its resources is
// made inside one: the playback's render worker reads them on its own
// thread, and is paused (its frame in hand finished) from here to the end
// of the scope. They nest.
class ProjectChange {
 public:
  explicit ProjectChange(Document& document);
  ~ProjectChange();
  ProjectChange(const ProjectChange&) = delete;
  ProjectChange& operator=(const ProjectChange&) = delete;

 private:
  Document& document_;
};

class Document final : public QObject {
  Q_OBJECT
 public:
  // The delay a project made in the app starts with: the exports' own
  // default, so that it plays as it will be written.
  static constexpr int kNewProjectFrameDelayMs = 100;
  // A new, empty project as the app makes it.
  static std::unique_ptr<kt58::Project> NewProject();

  explicit Document(QObject* parent = nullptr);
  ~Document() override;

  kt58::Project& project() { return *animation_; }
  const kt58::Project& project() const { return *animation_; }
  // The frames generated from the project (empty until Regenerate).
  const kt58::FrameSequence& sequence() const { return sequence_; }
  Playback& playback() { return playback_; }
  const Playback& playback() const { return playback_; }
  QUndoStack& UndoStack() { return undo_; }

  // ---- the project as a whole (New, Open, Save)
  // The project takes the place of the current one (New, Open), read from
  // file_name (empty for a new one): the undo history is cleared, the
  // project is unmodified, its frames are dropped, the front layer (if any)
  // selected, and projectReplaced is emitted.
  void ReplaceAnimation(std::unique_ptr<kt58::Project> animation, const QString& file_name = {});
  QString FileName() const { return fileName_; }
  // After Save As; emits fileNameChanged.
  void SetFileName(const QString& file_name);
  bool IsModified() const { return !undo_.isClean(); }
  // false: the current state is the saved one (after Save). true: the
  // project counts as modified until the next SetModified(false), whatever
  // undo and redo do.
  void SetModified(bool modified);

  // ---- selection (not an undoable edit)
  kt58::Layer* SelectedLayer() const { return selected_; }
  // Ends a run of merging edits, even for the layer already selected.
  void SelectLayer(kt58::Layer* layer);

  // ---- edits, each one undo step
  // Adds a layer from a picture or video file in front of all others, at
  // the frame position given (0, 0 without one), and selects it. A missing
  // file does nothing; a file no layer can be made of shows a message with
  // the file's name and the reason. Returns the layer or none.
  kt58::Layer* AddLayerFromFile(const std::filesystem::path& path, std::optional<QPoint> at = {});
  void CopyLayer(kt58::Layer* layer);
  void RemoveLayer(kt58::Layer* layer);
  // Towards the front (-1) or the back (+1); nothing past either end.
  void MoveLayer(kt58::Layer* layer, int step);
  void ResetAllLayers();
  // Runs write on the selected layer (through its Set* groups) and records
  // the change as one undo step,
  // merged with the previous step of the same merge id. Nothing without a
  // selected layer, unless mark_without_layer: then the project is marked
  // modified all the same (with an empty step). A write that changes
  // nothing records nothing.
  void EditSelectedLayer(int merge, const QString& text, const std::function<void(kt58::Layer&)>& write,
                         bool mark_without_layer = false);
  // The same for the animation's settings (frame setup, background, frame
  // count, speed). A new frame count regenerates the frames.
  void EditAnimation(int merge, const QString& text, const std::function<void(kt58::Project&)>& write);
  // The next edit starts a new undo step even with the same merge id (the
  // end of a drag, of a run of nudges, of typing into one edit).
  void EndMerge() { ++merge_serial_; }
  int MergeSerial() const { return merge_serial_; }

  // Removes the frames marked true (by position; frames past the end of the
  // marks stay) from the store of the layer's video or animated GIF, for
  // every layer showing that file. One undo step when the store's file
  // system keeps the old file cheaply; otherwise the undo history is
  // cleared and the status bar says so. A failure is shown and leaves the
  // frames as they were. false when nothing was removed.
  bool CropVideoFrames(kt58::Layer* layer, const std::vector<bool>& marked);

  // Generates the frames from the layers (not rendered) and makes the first
  // one current, or drops them when there are no layers; emits framesChanged.
  // With prerender, rendered playback also composes them into the cache.
  // The status bar follows the work; a failure is shown and leaves no
  // frames.
  void Regenerate(bool prerender = false);
  // Drops the generated frames (nothing is emitted): what must happen before
  // a layer or a resource leaves the project, since their copies count it.
  void ClearFrames();

  // ---- dropped files (the construction view and the layer list)
  // Accepts a drag of local files while not playing; the files' types are
  // checked on the drop, so that a refused file can be explained.
  bool CanDrop(const QMimeData* data) const;
  // Every file of a type the program reads becomes a layer at the frame
  // position given; for the others the status bar says why not.
  void DropFiles(const QMimeData* data, std::optional<QPoint> at);

  // ---- for the undo commands
  void NotifyLayersChanged();
  void NotifyLayerChanged(kt58::Layer* layer);
  void NotifyAnimationChanged(bool frame_count_changed);
  void NotifyVideoFramesChanged(kt58::ImageResource* resource);

 signals:
  // A new animation replaced the old one: every panel loads afresh.
  void projectReplaced();
  // Layers were added, removed or reordered.
  void layersChanged();
  // Settings of a layer changed (an edit, an undo or a redo).
  void layerChanged(kt58::Layer* layer);
  // The animation's settings changed.
  void animationChanged();
  void selectionChanged();
  // The frames of a video or animated GIF resource were removed or put back
  // (every layer showing it also hears layerChanged).
  void videoFramesChanged(kt58::ImageResource* resource);
  // The generated frames were made or dropped.
  void framesChanged();
  void modifiedChanged(bool modified);
  void fileNameChanged(const QString& file_name);
  // A text for the status bar (the animation's status texts among them).
  void statusMessage(const QString& text);

 private:
  void Push(QUndoCommand* command);

  std::unique_ptr<kt58::Project> animation_;
  // After the project: destroyed first, since their layers count its
  // resources.
  kt58::FrameSequence sequence_;
  QUndoStack undo_;
  Playback playback_{*this};
  QString fileName_;
  kt58::Layer* selected_ = nullptr;
  int merge_serial_ = 0;
  bool pushing_ = false;
};
