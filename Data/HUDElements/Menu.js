// The menus' buttons: each plays the click and asks the engine through the "Engine" class.
var engine = new Engine();

// A page that comes with a level appears under a pointer aimed at the page before it: the second
// click of a double click on the won page's "Main menu" landed on the main menu's "Options", which
// lies under it, a fifth of a second after the menu's first frame. Such a page takes no click until
// it has been on screen for longer than that.
var kSettleMilliseconds = 300;
var takesClicks = true;

function TakeClicksOnceSettled() {
	takesClicks = false;
	// Counted from the page's first frame: its script runs while the level is still loading.
	setTimeout(function() {
		setTimeout(function() { takesClicks = true; }, kSettleMilliseconds);
	}, 0);
}

// Whether the page takes the click; the click is heard when it does.
function Click() {
	if (!takesClicks)
		return false;
	// The Sound system keys interface sounds by the file name the configuration gives them.
	PlaySound("Click.wav");
	return true;
}

function StartGame() {
	if (Click())
		engine.GotoNextLevel();
}

function Quit() {
	if (Click())
		engine.Exit();
}

// The pause page's buttons. "Pause" toggles the pause whatever its argument, so only a page shown
// while the game is paused may send it.
function Resume() {
	Click();
	engine.Pause(false);
}

function Restart() {
	Resume();
	engine.ReloadLevel();
}

function ResumeToMainMenu() {
	Resume();
	engine.LoadLevel("MainMenu");
}

// Escape closes the pause page as Resume does. The bindings rest while paused, so the page answers
// the key itself, on its release: the press that opened the page is released on it too, and a press
// still held when the game resumes would open the page again.
function ResumeOnEscape() {
	var escapeDown = false;
	document.body.addEventListener("keydown", function(event) {
		escapeDown = escapeDown || event.keyCode == 27;
	});
	document.body.addEventListener("keyup", function(event) {
		if (event.keyCode == 27 && escapeDown)
			Resume();
	});
}

// The won page's button: nothing is paused under it, so it only leaves.
function MainMenu() {
	if (Click())
		engine.LoadLevel("MainMenu");
}

// The veil covers the whole window, and the menu stands in the largest 4:3 box in its middle, where
// the level's own 4:3 images are drawn. A page's scripts run before its pane is fitted to the
// window, so the box is measured a moment later.
function FitStage() {
	setTimeout(function() {
		var width = Math.min(window.innerWidth, Math.floor(window.innerHeight * 4 / 3));
		var height = Math.min(window.innerHeight, Math.floor(window.innerWidth * 3 / 4));
		var stage = document.getElementById("stage").style;
		stage.left = Math.floor((window.innerWidth - width) / 2) + "px";
		stage.top = Math.floor((window.innerHeight - height) / 2) + "px";
		stage.width = width + "px";
		stage.height = height + "px";
	}, 0);
}

function Mark(id, on) {
	document.getElementById(id).className = on ? "choice chosen" : "choice";
}

function ShowVolume() {
	document.getElementById("volume").textContent = Math.round(engine.GetVolume(false) * 100) + "%";
	Mark("mute", engine.IsMuted());
	Mark("fullScreen", engine.IsFullScreen());
}

function ChangeVolume(step) {
	var volume = Math.min(1, Math.max(0, engine.GetVolume(false) + step));
	engine.SetVolume(volume, false);
	engine.SetVolume(volume, true);
	Click();
	ShowVolume();
}

function ToggleMute() {
	engine.SetMuted(!engine.IsMuted());
	Click();
	ShowVolume();
}

function ToggleFullScreen() {
	Click();
	engine.SetFullScreen(!engine.IsFullScreen());
	ShowVolume();
}

function ChooseResolution(index) {
	var modes = engine.GetResolutions();
	Click();
	engine.SetResolution(modes[index].x, modes[index].y, engine.IsFullScreen());
}

function ListResolutions() {
	var list = document.getElementById("resolutions");
	list.innerHTML = "";
	var modes = engine.GetResolutions();
	var current = engine.CurrentResolutionIndex();
	for (var i = 0; i < modes.length; ++i) {
		var choice = document.createElement("span");
		choice.className = i == current ? "choice chosen" : "choice";
		choice.textContent = modes[i].x + " x " + modes[i].y;
		choice.setAttribute("onclick", "ChooseResolution(" + i + ")");
		list.appendChild(choice);
	}
}

function ShowOptions(show) {
	if (!Click())
		return;
	document.getElementById("main").style.display = show ? "none" : "block";
	document.getElementById("optionsPanel").style.display = show ? "block" : "none";
	if (show) {
		ShowVolume();
		ListResolutions();
	}
}
