# The real game with a main menu page in the user folder whose script would never end: for each
# such page, the window closed once the game has had time to start must be handled within five
# seconds, and the game must end with 0. Run with cmake -P and:
#   PROGRAM  the game;  LEVEL  the main menu level;  CLOSER  the X window tool;  WORK  a scratch folder
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
  # Ten tries a second for five seconds; the window still there after them fails the check.
  tw_play_game(320 240 [=[
xdotool search --sync --name '^Tumblewreck$' >/dev/null
sleep 3
xdotool mousemove 100 100
sleep 1
for attempt in $(seq 50)
do
  "$0" close Tumblewreck >/dev/null || exit 0
  sleep 0.1
done
exit 1]=])
  math(EXPR index "${index} + 1")
endforeach()
