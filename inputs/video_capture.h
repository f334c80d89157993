#pragma once

#include <opencv2/core/types_c.h>

#include <string>

// A video read frame by frame, with the contract of OpenCV's old C
// capture interface (which OpenCV 4 no longer implements): a video file, an
// image sequence, a folder of images or a camera.
struct FileCapture;

// Opens a video file; null when it cannot be opened.  The name is always a
// file's (or an image sequence's, "frame_%03d.png"), never one of FFmpeg's
// protocols: "file:x.avi" is the file of that name, not "x.avi".  A folder
// is read as its images in natural order (see ImageFolder), a MOTChallenge
// sequence folder (img1/ and seqinfo.ini) as the images of img1/ at the
// frame rate of seqinfo.ini (null when that rate is given but is none, see
// sequenceFrameRate).  FIFOs, sockets and devices, which a read could wait
// on for ever, are not opened.
FileCapture* createFileCapture(const char* fileName);

// Opens camera `index` (0: the first); null when there is none to open.
FileCapture* createCameraCapture(int index);

// Why createCameraCapture gave null, in lower case: "no camera 0 ...".
std::string cameraProblem(int index);

// Why createFileCapture gave null for `fileName`, in lower case: "no such
// file", "permission denied", a FIFO, socket or device, a folder without
// images, a sequence's frame rate, or that it is no video the decoder reads.
std::string openProblem(const char* fileName);

// The next frame as an 8-bit three-channel BGR image owned by the capture
// and valid until the next query; null at the end of the video, on a frame
// that cannot be delivered as 8-bit BGR, or for a null capture.
IplImage* queryFrame(FileCapture* capture);

// Passes over the next `count` frames (read and dropped, an image of a
// folder not even read); how many there were before the end.
int skipFrames(FileCapture* capture, int count);

// Why the last queryFrame gave null, in lower case ("not enough memory to
// decode it", "its pixels are 32-bit floating point, not 8-bit"); empty at
// the end of the video, when the decoder gives no reason, or before any
// query.
std::string captureProblem(const FileCapture* capture);

// The frame rate the file declares (0 when unknown or for a null capture).
double captureFrameRate(const FileCapture* capture);

// The number of frames the file declares (0 when unknown or for a null
// capture); only an estimate for some containers.
int captureFrameCount(const FileCapture* capture);

// Closes the capture and sets the pointer to null; null is accepted.
void releaseCapture(FileCapture** capture);
