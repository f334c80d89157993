#pragma once

#include <opencv2/core/types_c.h>

// A video file read frame by frame, with the contract of OpenCV's old C
// capture interface (which OpenCV 4 no longer implements).
struct FileCapture;

// Opens a video file; null when it cannot be opened.
FileCapture* createFileCapture(const char* fileName);

// The next frame as an 8-bit three-channel BGR image owned by the capture
// and valid until the next query; null at the end of the video, on a frame
// that cannot be delivered as 8-bit BGR, or for a null capture.
IplImage* queryFrame(FileCapture* capture);

// The frame rate the file declares (0 when unknown or for a null capture).
double captureFrameRate(const FileCapture* capture);

// The number of frames the file declares (0 when unknown or for a null
// capture); only an estimate for some containers.
int captureFrameCount(const FileCapture* capture);

// Closes the capture and sets the pointer to null; null is accepted.
void releaseCapture(FileCapture** capture);
