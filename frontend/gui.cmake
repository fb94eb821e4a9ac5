# The Qt window: threaded timer, main window and the program entry.
