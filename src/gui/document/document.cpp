// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/document.h"
#include "gui/document/window_progress.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "gui/document/commands/crop_frames_command.h"
#include "gui/document/commands/layer_commands.h"
#include "gui/document/commands/settings_commands.h"
#include "engine/reprocess_frames.h"
#include "gui/widgets/user_feedback.h"
#include "model/project.h"
#include "model/image_resource.h"
#include "platform/text_helpers.h"
#include "render/compose.h"

namespace {

// Frame generation reported on the status bar, as the frames are made.
class StatusProgress final : public kt58::Progress {
 public:
  explicit StatusProgress(Document& document) : document_(document) {}
  void Report(const std::string& text, int64_t, int64_t) override {
    emit document_.statusMessage(QString::fromStdString(text));
  }
  bool Cancelled() const override { return false; }

 private:
  Document& document_;
};

}  // namespace

ProjectChange::ProjectChange(Document& document) : document_(document) { document_.playback().pauseComposing(); }

ProjectChange::~ProjectChange() { document_.playback().resumeComposing(); }

std::unique_ptr<kt58::Project> Document::NewProject() {
  auto project = std::make_unique<kt58::Project>();
  // Played at the pace the exports write it, not as fast as the machine can.
  project->FrameDelay = kNewProjectFrameDelayMs;
  return project;
}

Document::Document(QObject* parent) : QObject(parent), animation_(NewProject()) {
  connect(&undo_, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
  // Undo and redo end a run of merging edits: the next edit is a step of
  // its own even with the same control.
  connect(&undo_, &QUndoStack::indexChanged, this, [this] {
    if (!pushing_) EndMerge();
  });
}

Document::~Document() {
  // The worker composes nothing more: what it reads goes now.
  playback_.pauseComposing();
  // The commands hold layers of the animation: they go first, and nobody
  // hears of it.
  blockSignals(true);
  undo_.blockSignals(true);
  undo_.clear();
  sequence_ = {};
}

void Document::ReplaceAnimation(std::unique_ptr<kt58::Project> animation, const QString& file_name) {
  const ProjectChange change(*this);
  undo_.clear();
  undo_.setClean();
  EndMerge();
  selected_ = nullptr;
  ClearFrames();
  animation_ = std::move(animation);
  playback_.restart();
  fileName_ = file_name;
  kt58::Project& a = *animation_;
  selected_ = a.ConstructorFrame && a.LayerCount() > 0 ? a.ConstructorFrame->Layers.front().get() : nullptr;
  emit projectReplaced();
  emit selectionChanged();
  emit fileNameChanged(FileName());
  emit modifiedChanged(false);
}

void Document::SetFileName(const QString& file_name) {
  fileName_ = file_name;
  emit fileNameChanged(file_name);
}

void Document::SetModified(bool modified) {
  if (modified)
    undo_.resetClean();
  else
    undo_.setClean();
}

void Document::SelectLayer(kt58::Layer* layer) {
  EndMerge();
  if (selected_ == layer) return;
  selected_ = layer;
  emit selectionChanged();
}

void Document::Push(QUndoCommand* command) {
  pushing_ = true;
  undo_.push(command);
  pushing_ = false;
}

// ---- layers

kt58::Layer* Document::AddLayerFromFile(const std::filesystem::path& path, std::optional<QPoint> at) {
  const ProjectChange change(*this);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  kt58::Layer* previous = selected_;
  kt58::Layer* layer = nullptr;
  try {
    const BusyCursor busy;
    kt58::DialogProgress progress = WindowProgress();
    layer = animation_->AddLayerFromFile(path, progress);
  } catch (const std::exception& e) {
    // The long-standing text first, then which file and why.
    showMessage(tr("Unknown error occurred - Layer may not have been correctly added.\r").toStdString() +
                path.filename().string() +
                ": " + e.what());
    return nullptr;
  }
  if (at) {
    layer->OffsetX = at->x();
    layer->OffsetY = at->y();
  }
  // The imported layer waits in the command; its redo puts it in front.
  Push(new InsertLayerCommand(*this, layer, previous,
                              tr("Add Layer %1").arg(QString::fromStdString(layer->LayerName))));
  // Said after the command, whose regeneration clears the status bar.
  if (const uint64_t bytes = kt58::ProjectPictureBytes(*animation_); bytes > kt58::kLargeProjectBytes)
    emit statusMessage(tr("The project takes %1 MB").arg(bytes / 1'000'000));
  return layer;
}

void Document::CopyLayer(kt58::Layer* layer) {
  const ProjectChange change(*this);
  kt58::Project& a = *animation_;
  if (!layer || !a.ConstructorFrame || a.ConstructorFrame->IndexOf(layer) < 0) return;
  const int64_t layers = static_cast<int64_t>(a.ConstructorFrame->Layers.size()) + 1;
  if (!kt58::LayerFramesFit(layers, a.FrameCount)) {
    showMessage(kt58::LayerFramesError(layers, a.FrameCount));
    return;
  }
  std::unique_ptr<kt58::Layer> copy = layer->CopyLayer();
  if (!copy) return;
  if (copy->ImageRef) {
    ++copy->ImageRef->NameCounter;
    copy->LayerName = kt58::DefaultLayerName(*copy->ImageRef);
  }
  copy->OffsetX = 0;
  copy->OffsetY = 0;
  kt58::Layer* added = copy.get();
  a.ConstructorFrame->Layers.insert(a.ConstructorFrame->Layers.begin(), std::move(copy));
  Push(new InsertLayerCommand(*this, added, layer, tr("Copy Layer")));
}

void Document::RemoveLayer(kt58::Layer* layer) {
  const kt58::Project& a = *animation_;
  if (!layer || !a.ConstructorFrame || a.ConstructorFrame->IndexOf(layer) < 0) return;
  Push(new RemoveLayerCommand(*this, layer));
}

void Document::MoveLayer(kt58::Layer* layer, int step) {
  const kt58::Project& a = *animation_;
  const int from = a.ConstructorFrame ? a.ConstructorFrame->IndexOf(layer) : -1;
  const int to = from + step;
  if (from < 0 || to < 0 || to >= a.ConstructorFrame->LayerCount()) return;
  Push(new MoveLayerCommand(*this, from, to));
}

void Document::ResetAllLayers() {
  const ProjectChange change(*this);
  kt58::Project& a = *animation_;
  if (!a.ConstructorFrame || a.LayerCount() == 0) return;
  std::vector<LayerSettingsCommand::Change> changes;
  for (const auto& layer : a.ConstructorFrame->Layers)
    changes.push_back({layer.get(), LayerSnapshot::Of(*layer), {}});
  // Each layer's reset values, worked out on the layer and taken back: the
  // command's redo makes the change.
  a.ConstructorFrame->ResetAllLayers();
  for (auto& c : changes) {
    c.after = LayerSnapshot::Of(*c.layer);
    c.before.ApplyTo(*c.layer);
  }
  Push(new LayerSettingsCommand(*this, std::move(changes), kNoMerge, tr("Reset All Layers")));
}

// ---- settings

void Document::EditSelectedLayer(int merge, const QString& text, const std::function<void(kt58::Layer&)>& write,
                                 bool mark_without_layer) {
  const ProjectChange change(*this);
  kt58::Layer* layer = selected_;
  if (!layer) {
    if (mark_without_layer) Push(new LayerSettingsCommand(*this, {}, kNoMerge, text));
    return;
  }
  // The new values are worked out on the layer and taken back at once: the
  // command's redo makes the change.
  const LayerSnapshot before = LayerSnapshot::Of(*layer);
  write(*layer);
  const LayerSnapshot after = LayerSnapshot::Of(*layer);
  before.ApplyTo(*layer);
  if (after == before) return;
  Push(new LayerSettingsCommand(*this, {{layer, before, after}}, merge, text));
}

void Document::EditAnimation(int merge, const QString& text, const std::function<void(kt58::Project&)>& write) {
  const ProjectChange change(*this);
  const AnimationSettings before = AnimationSettings::Of(*animation_);
  write(*animation_);
  const AnimationSettings after = AnimationSettings::Of(*animation_);
  before.ApplyTo(*animation_);
  if (after == before) return;
  Push(new AnimationSettingsCommand(*this, before, after, merge, text));
}

bool Document::CropVideoFrames(kt58::Layer* layer, const std::vector<bool>& marked) {
  const ProjectChange change(*this);
  kt58::ImageResource* resource = layer ? layer->ImageRef : nullptr;
  kt58::FrameStore* store = resource ? resource->Store() : nullptr;
  if (!store || std::find(marked.begin(), marked.end(), true) == marked.end()) return false;
  // Undo keeps the frames before the crop as a file: a store still read
  // from inside the project file gets one first.
  try {
    const BusyCursor busy;
    store->EnsureOwnFile();
  } catch (const std::exception& e) {
    showMessage(e.what());
    return false;
  }
  StoreVersion before = StoreVersion::Keep(*store);
  // The store's offsets carry the marks into the re-processing.
  for (size_t i = 0; i < marked.size() && i < store->FrameOffsets.size(); ++i) store->FrameOffsets[i] = marked[i] ? 1 : 0;
  try {
    const BusyCursor busy;
    kt58::DialogProgress progress = WindowProgress();
    kt58::ReprocessFrames(*store, progress);
  } catch (const std::exception& e) {
    showMessage(e.what());
    NotifyVideoFramesChanged(resource);
    return false;
  }
  StoreVersion after = before ? StoreVersion::Keep(*store) : StoreVersion();
  // The command's redo puts the cropped frames in, so the store goes back to
  // its frames before the crop first (one rename).
  bool undoable = before && after;
  if (undoable) {
    try {
      before.Restore(*store);
    } catch (const std::exception&) {
      undoable = false;  // the store keeps the cropped frames
    }
  }
  if (undoable) {
    Push(new CropFramesCommand(*this, resource, std::move(before), std::move(after)));
    return true;
  }
  // Undoing the steps before it would no longer lead back to the project as
  // it was.
  undo_.clear();
  SetModified(true);
  emit statusMessage(tr("Crop cannot be undone: undo history cleared"));
  NotifyVideoFramesChanged(resource);
  return true;
}

void Document::ClearFrames() {
  const ProjectChange change(*this);
  sequence_ = {};
  playback_.restart();
}

void Document::Regenerate(bool prerender) {
  const ProjectChange change(*this);
  const kt58::Project& a = *animation_;
  ClearFrames();
  if (a.LayerCount() > 0) {
    const BusyCursor busy;
    try {
      StatusProgress progress(*this);
      sequence_ = kt58::MakeFrameSequence(a, progress);
      emit statusMessage(tr("Resequence Complete"));
      playback_.restart();
      if (prerender && !a.NonRenderedPlayback && sequence_.Sequenced()) {
        kt58::DialogProgress window = WindowProgress();
        playback_.setRenderedFrames(kt58::ComposeAllFrames(a, sequence_, window));
      }
    } catch (const std::exception&) {
      ClearFrames();
      showMessage(tr("Unknown Resequence Exception").toStdString());
    }
    emit statusMessage(QString());
  }
  emit framesChanged();
}

void Document::NotifyLayersChanged() { emit layersChanged(); }

void Document::NotifyLayerChanged(kt58::Layer* layer) { emit layerChanged(layer); }

void Document::NotifyVideoFramesChanged(kt58::ImageResource* resource) {
  emit videoFramesChanged(resource);
  if (!animation_->ConstructorFrame) return;
  for (const auto& layer : animation_->ConstructorFrame->Layers)
    if (layer->ImageRef == resource) emit layerChanged(layer.get());
}

void Document::NotifyAnimationChanged(bool frame_count_changed) {
  emit animationChanged();
  // The status line names the frames there are: a new count makes them anew.
  if (frame_count_changed && sequence_.Sequenced()) Regenerate();
}

// ---- dropped files

bool Document::CanDrop(const QMimeData* data) const {
  if (playback_.isPlaying() || !data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return true;
  return false;
}

void Document::DropFiles(const QMimeData* data, std::optional<QPoint> at) {
  if (!CanDrop(data)) return;
  QStringList refused;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const std::filesystem::path path = url.toLocalFile().toStdString();
    if (kt58::SourceTypeFromFileName(path) == kt58::st_Unknown) {
      refused << QFileInfo(url.toLocalFile()).fileName();
      continue;
    }
    AddLayerFromFile(path, at);
  }
  if (!refused.isEmpty())
    emit statusMessage(tr("Not added: %1 (only BMP, JPG, GIF and AVI files can be layers)")
                           .arg(refused.join(QStringLiteral(", "))));
}
