// The menus' buttons: each plays the click and asks the engine through the "Engine" class.
var engine = new Engine();

function Click() {
	// The Sound system keys interface sounds by the file name the configuration gives them.
	PlaySound("Click.wav");
}

function StartGame() {
	Click();
	engine.GotoNextLevel();
}

function Quit() {
	Click();
	engine.Exit();
}

function Resume() {
	Click();
	engine.Pause(false);
}

function Restart() {
	Click();
	engine.Pause(false);
	engine.ReloadLevel();
}

function MainMenu() {
	Click();
	engine.Pause(false);
	engine.LoadLevel("MainMenu");
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
	Click();
	document.getElementById("main").style.display = show ? "none" : "block";
	document.getElementById("optionsPanel").style.display = show ? "block" : "none";
	if (show) {
		ShowVolume();
		ListResolutions();
	}
}
