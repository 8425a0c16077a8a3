#include "cli/file_run.h"

namespace tavrinole::cli {
namespace {

Failure<FileFault> Stopped(const TransformFailure& failure) {
  return {failure.What, failure.Cause};
}

}  // namespace

// Names are bytes: any name the file system takes works, UTF-8 or not.
FileJob::FileJob(std::string inputName, std::string outputName)
    : InputName(std::move(inputName)),
      OutputName(std::move(outputName)),
      Input(PathFromName(InputName)),
      Output(PathFromName(OutputName)) {}

FileResult Check(FileSystem& files, FileTransform& transform, FileJob& job, bool force) {
  if (const Result<void, NameProblem> name = CheckFileName(job.Output); !name) {
    return Fail(FileFault(name.Error().What));
  }
  const TransformResult<EntryKind> existing = CheckOutput(files, job.Input, job.Output);
  if (!existing) return Stopped(existing.Error());
  if (*existing != EntryKind::Missing && !force) return Fail(FileFault(KeptWithoutForce{}));
  const TransformResult<uint64_t> size = transform.Measure(job.Input);
  if (!size) return Stopped(size.Error());
  job.Size = *size;
  return {};
}

FileResult Stream(FileTransform& transform, const FileJob& job, const PasswordSlots& slots,
                  const TransformHooks& hooks) {
  const TransformResult<> streamed =
      transform.Stream(job.Input, job.Size, job.Output, slots, hooks);
  if (!streamed) return Stopped(streamed.Error());
  return {};
}

}  // namespace tavrinole::cli
