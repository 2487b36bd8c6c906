# The game with a main menu page in the user folder whose script would never end: for each such
# page, the game must run on, frame after frame, once the menu is loaded and once the pointer has
# moved over the page, and must end with 0 when its window is closed. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the main menu level;  CLOSER  the X window tool
#   WORK  a scratch folder
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# (CMake lists split at semicolons: the scripts do without them.)
set(pages
  "<body><script>Object.defineProperty(window, 'onload', {get: function() { while (true) {} }})</script></body>"
  "<body><script>setTimeout({toString: function() { while (true) {} }}, 0)</script></body>"
  "<body onmousemove='while (true) {}'><script>Object.defineProperty(Object.prototype, 'clientX', {set: function() { while (true) {} }})</script></body>"
  "<body><script>setInterval(function() { while (true) {} }, 0)</script></body>"
  "<body><script>function f() { setInterval(f, 0), setInterval(f, 0) } f()</script></body>")
set(base "${WORK}")
set(index 0)
foreach(page IN LISTS pages)
  set(WORK "${base}/${index}")
  set(TW_USER_FILES "MainMenu.html" "${page}")
  tw_play_game(320 240 "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_FRAMES}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-MainMenu || exit 1
wait_for_frames 10 || exit 1
xdotool mousemove 100 100
wait_for_frames 10 || exit 1
${TW_CLOSE_RUNNING_WINDOW}")
  math(EXPR index "${index} + 1")
endforeach()
