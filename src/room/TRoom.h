#pragma once
// The room: the one container of a project. Geometry and elements, environment and simulation
// settings, derived metrics, the results per source-receiver pair, the lost rays and the
// project's paths. The run's own state (thread, stop request, tracer settings) is the
// TSimulationRun `run`.
//
// Each group of operations is implemented in its own source file; the blocks below say which.
// Element types are only forward-declared here: a file that reads an element's fields includes
// that element's header.

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "geometry/StagedFiles.h"
#include "geometry/TPoint3D.h"
#include "room/TPlaneLayer.h"
#include "simulation/RunLock.h"
#include "simulation/TSimulationRun.h"

class TPlane;
class TSource;
class TReceiver;
class TMaterial;
class TSourceLayer;
class TReceiverLayer;
class TDirectivity;
class TResult;
class TRay;
class TLinearSource;
struct Raio_st;
struct TVector;

// Deleter fixed where the element is created, so that a room can be destroyed (and its
// collections emptied) in files that see only the forward declarations above.
template <class T>
struct RoomDeleter {
    void (*destroy)(T*);

    RoomDeleter() noexcept : destroy(&Destroy) {}
    RoomDeleter(std::default_delete<T>) noexcept : destroy(&Destroy) {}  // from std::make_unique
    void operator()(T* p) const { destroy(p); }

private:
    static void Destroy(T* p)
    {
        static_assert(sizeof(T) > 0, "an element is created where its type is complete");
        delete p;
    }
};

// An owned element of the room: build it with std::make_unique<T>(...) and store it.
template <class T>
using RoomPtr = std::unique_ptr<T, RoomDeleter<T>>;

class TRoom {
public:
    // =========================================================================================
    // Record (fields in this order; counts beside their containers).
    // =========================================================================================
    float Rho;                       // air density, kg/m^3
    unsigned int BaseSize;           // base length of the pair results, samples
    std::vector<std::vector<float>> AverageAbsorption;  // [4][NumBands] mean absorption
    unsigned int NumRays;            // room-level ray count (GetNumRays)
    unsigned int ResultRec, ResultSrc;
    std::atomic<bool> IsRunning;           // simulation running flag (read by the interface)
    std::atomic<float> PercentageStatus;   // simulation progress, 0..100

    unsigned int NumPlanes;
    std::vector<RoomPtr<TPlane>> plane;
    unsigned int NumSources;
    std::vector<RoomPtr<TSource>> source;
    unsigned int NumLinearSources;
    TLinearSource* linsrc;           // line sources: never filled by the simulation
    unsigned int NumReceivers;
    std::vector<RoomPtr<TReceiver>> receiver;
    unsigned int NumPlaneLayers;
    std::vector<TPlaneLayer> planeLayer;
    unsigned int NumSourceLayers;
    std::vector<RoomPtr<TSourceLayer>> sourceLayer;
    unsigned int NumReceiverLayers;
    std::vector<RoomPtr<TReceiverLayer>> receiverLayer;
    unsigned int NumMaterials;
    std::vector<RoomPtr<TMaterial>> material;
    // Append only: layers, sources and receivers keep pointers to these patterns.
    unsigned int NumDirectivities;
    std::vector<RoomPtr<TDirectivity>> directivity;
    unsigned int NumLostRays;
    std::vector<RoomPtr<Raio_st>> lostRays;

    // spcresult[R][S]: result of receiver R and source S (ResultRec rows of ResultSrc).
    std::vector<std::vector<RoomPtr<TResult>>> spcresult;
    std::vector<RoomPtr<TResult>> difresult;  // never used by the simulation
    std::vector<RoomPtr<TResult>> imgresult;  // never used by the simulation

    unsigned int NumBands;           // always 9: octave bands 62.5 * 2^b Hz
    float FSample;                   // sample rate, Hz
    unsigned int MaxLength;          // response length, samples
    float StopDecay;                 // dB below a ray's start energy where it is dropped (< 0)
    float VSound;                    // speed of sound, m/s
    std::vector<double> AirAbs;      // [NumBands] air absorption, nepers per metre
    double Temperature;              // degrees Celsius
    double Humidity;                 // percent
    double Pressure;                 // atmospheres
    bool ResultsCreated;
    bool AverageAbsorptionCreated;
    bool LostRaysCreated;
    int AirAbsorptionFlag;
    bool AuralizationFlag;
    bool ArtificialTailFlag;
    bool ModalFlag;
    unsigned int HitFilesFlag;
    unsigned int PressureFilesFlag;
    unsigned int SaveLateRaysFlag;
    unsigned int SaveDiffuseRaysFlag;
    unsigned int DiffuseProcessing;
    unsigned int SaveLostRays;
    int MaxRayTracReflections;       // -1: not limited
    int ClusterOrderGlobal;          // -1: chosen during the simulation
    int ForceVolumeFlag;             // 1: Volume comes from the project file
    int MaxLostRaysRef;
    double Volume, Area;             // m^3, m^2
    std::vector<std::vector<float>> T60;  // [4][NumBands] Sabine/Eyring times, s
    float CriticalDistance;          // m
    float MeanFreePath;              // m
    std::vector<float> RoomConstant;  // [NumBands]
    TPoint3D Center;
    bool FLAG_SimulateModes, FLAG_SimulateTwoSteps;
    std::string SoftwareFolder;      // working directory when the paths were set
    std::string AcousticDataFolder;  // the same
    std::string ProjectFolder;       // folder of the project file; result files go there
    std::string ProjectName;         // project file name without its folder
    std::string LostFileName;

    // The simulation run: its thread, stop request and tracer settings (run.TracerThreads,
    // run.TracerAcceleration). Declared after IsRunning, which it polls.
    TSimulationRun run{IsRunning};

    // =========================================================================================
    // Construction, absorption tables, settings and paths (TRoom.cpp)
    // =========================================================================================
    TRoom();
    TRoom(int NPlan, int NSrc, int Nrec);  // TRoomCollections.cpp
    ~TRoom();
    TRoom(const TRoom&) = delete;
    TRoom& operator=(const TRoom&) = delete;

    void AllocateAbsorption();
    void DeleteAbsorption();

    // Splits the project file's path at its last '/' or '\\' into ProjectFolder and
    // ProjectName (a bare name lies in the working directory) and prints the paths.
    void PathSetup(const char* ConfigFile);
    void PathSetup(const std::string& ConfigFile) { PathSetup(ConfigFile.c_str()); }
    void SetProjectFolder(const char* Folder);
    void SetProjectName(const char* name);
    // FileName inside the project folder, joined with '/'.
    std::string ProjectFile(const std::string& FileName) const;

    // Reads lines from the current position until one contains texto; 1 found, 0 at the end.
    int Busca(FILE* fid, const char* texto);
    // Value of key VarName in section <section>, or -1 when the section or key is missing.
    float getDataTag(const char* VarName, const char* section, FILE* fid);

    // Reads <ENVIRONMENT> and <SIMULATION>; a file that cannot be opened ends with status 1.
    void EnviromentSetupTXT(const char* FileName);
    void EnviromentSetupTXT(const std::string& FileName) { EnviromentSetupTXT(FileName.c_str()); }
    void SaveSetup(const char* FileName);
    void WriteDefaultSetup(const char* FileName);
    void WriteDefaultSections(const char* FileName);
    // VSound and AirAbs derived from Temperature, Humidity and Pressure (the reader and the
    // desktop's settings page, so that an edited environment reaches the next run).
    void DeriveAirFromEnvironment();
    // False for an environment the reader refuses (at or below absolute zero, under 0.01 atm,
    // humidity outside 0 ... 100 %).
    static bool EnvironmentInRange(double temperatureC, double pressureAtm, double humidityPercent);

    float GetMaxTime();
    // -1 (with an error box) when results exist and the response would grow.
    float SetMaxTime(float MaxTime);
    unsigned int SetNumRays(unsigned int N);
    unsigned int GetNumRays();

    // =========================================================================================
    // Element collections (emptying and release: TRoom.cpp; the rest: TRoomCollections.cpp)
    // =========================================================================================
    void CreatePlanes(TPlane** newplane, unsigned int NewNumPlanes);
    void DeletePlanes();
    void AddPlane(const TPlane* pl);
    void DelPlane(int pIndex);

    void CreateSources(TSource** newsource, unsigned int NewNumSources);
    void DeleteSources();
    void AddSource(TSource* src);  // may set src->LayerID (see TRoomCollections.cpp)
    void AddSources(TSource** src, unsigned int NewNumSources);
    void DelSource(int Sindex);

    void CreateReceivers(TReceiver** newreceiver, unsigned int NewNumReceivers);
    void DeleteReceivers();
    void AddReceiver(const TReceiver* rec);
    void DelReceiver(int recIndex);

    void DeletePlaneLayers();
    void AddPlaneLayer(const TPlaneLayer& pLayer);
    int DelPlaneLayer(int Lindex);
    int FindPlaneLayer(const char* name);
    void AssociatePlaneToLayer(int PlaneID, const char* layerName);
    void AssociatePlaneToLayer(int PlaneID, int LayerID);

    void CreateSourceLayers(TSourceLayer** newlayer, unsigned int NumLayers);
    void DeleteSourceLayers();
    void AddSourceLayer(const TSourceLayer* srcLayer);
    void AddSourceLayer(const char* layername);
    bool DelSourceLayer(int Lindex);
    int FindSourceLayer(const char* name);
    void PrintSourceLayers();

    void CreateReceiverLayers(TReceiverLayer** newlayer, unsigned int NumLayers);
    void DeleteReceiverLayers();
    void AddReceiverLayer(const TReceiverLayer* recLayer);
    void AddReceiverLayer(const char* layername);
    bool DelReceiverLayer(int Lindex);
    int FindReceiverLayer(const char* name);
    void PrintReceiverLayers();

    void CreateMaterials(TMaterial** newmaterial, unsigned int NumMat);
    void DeleteMaterials();
    void AddMaterial(const TMaterial* mat);
    void DelMaterial(int matIndex);
    int GetMaterialID(const char* name);
    void AssociateMaterialToLayer(const char* matName, const char* layerName);
    void AssociateMaterialToLayer(int matID, int layerID);

    // Patterns are shared by exact name and never re-created, so pointers to them stay valid.
    void AddDirectivity(const char* NameID);
    // Index of the pattern named NameID; an unknown name gives OMNI (added when absent).
    int GetDirectivityID(const char* NameID);
    void DeleteDirectivities();
    void PrintDirectivities();

    // Empties results, materials, source layers, plane layers, planes, sources and receivers
    // before a fatal exit.
    void LiberaMemoria();

    // =========================================================================================
    // Room metrics (TRoomMetrics.cpp) and external planes (src/simulation/TRoomExternalPlanes.cpp)
    // =========================================================================================
    // A plane whose layer has no material counts as fully reflecting (absorption and scattering
    // 0); the absorption pass warns about such planes. A room without planes has Volume 0,
    // Area 1e-6, absorption rows 1, room constants, T60 and critical distance 0.

    // Area = sum of the plane areas (1e-6 when that is not positive); returns Area.
    double CalculateArea();
    // |sum over the triangles of the external planes of c . (p1 - p0) x (p2 - p0)| / 6, with c
    // the triangle's centroid, unless the volume was forced; refreshes Center. Returns Volume.
    double CalculateVolumeGeometry();
    // Area, mean absorption rows (0 Sabine, 1 Eyring, 2 area-weighted -ln(1 - a),
    // 3 weighted by 1 / area with scattering), then the room constant and both listings.
    void CalculateAbsorptionArea();
    // NumBands room constants into RoomConstant.
    void CalcRoomConstant(float* RoomConstant);
    void ShowRoomConstant();
    void ShowAbsorptionCoefficients();
    // CriticalDistance from Area and the 1 kHz entry of absorption row 3.
    void CalcCriticalDist();
    // Air absorption of the environment, absorption rows, volume, area, then the Sabine and
    // Eyring times (T60 rows 0 and 1).
    void AcousticParameters();
    void ShowAcousticParameters();
    void AcousticParameters_Axes() {}
    // Centre of the bounding box of planes, receivers and sources; (0, 0, 0) for an empty room.
    TPoint3D GetCenter();
    // Diagonal of that box; 0 for an empty room.
    float GetMaxRoomLength();
    unsigned int GetNumElements();   // sum of the planes' triangle counts
    unsigned int GetMaxTriangles();  // largest triangle count of a plane
    // Stored plane areas summed per material into materialArea (NumMaterials entries, zeroed
    // first); planes without material are left out. Returns NumPlanes.
    unsigned int MaterialAreas(float* materialArea);
    void ShowMaterialAreas();
    void ShowLayerAreas();
    void ShowPlanes();
    // Volume = MeanFreePath * Area / 4.
    double EstimateVolume();
    // The 2^NumPlanes mirror images of receiver RecIndex: image i mirrors the position in every
    // plane selected by the binary digits of i (first digit: plane 0), in plane order. Written
    // to ImageList when not null (it must hold 2^NumPlanes points); returns the count, 0 for an
    // unknown receiver. More than MaxImagePlanes planes is an allocation failure (status 1).
    static constexpr unsigned int MaxImagePlanes = 24;
    unsigned long CreateImageList(unsigned int RecIndex, TPoint3D* ImageList);

    // Marks with IsExternal the planes that probe rays from a grid just outside the bounding
    // box meet first along any of their directions; the others are cleared. Every inside test that succeeds counts a hit.
    void GetExternalPlanes();

    // =========================================================================================
    // Project file reading (TRoomProjectReader.cpp)
    // =========================================================================================
    // Every reader parses whole lines and checks every number; a fatal input error shows its
    // message and ends with status 1 (SorviExit) before the reader changes the room.

    // Entries of section <tag> (tag without brackets) searched from the current position; the
    // position is restored. 0 when the section is absent.
    int GetNumberOfItens(FILE* fid, const char* tag);
    // Number (from 1) of the first entry of <tag> without NParam items, shown in a box when
    // msgFlag; 0 (position restored) when every entry matches.
    int CheckNumberOfParams(FILE* fid, const char* tag, int NParam, bool msgFlag);
    // Merging readers append after what the room holds; names the room has already are skipped.
    void AddMaterialsTxt(const char* FileName);
    void ReadPlaneLayersTxt(const char* FileName);  // replaces the plane layers
    void AddPlaneLayersTxt(const char* FileName);
    void AssociatePlaneLayersTxT(const char* FileName);
    void ReadColorLayers(const char* FileName);
    void ReadPlanesTxt(const char* FileName);  // replaces the planes
    // Appends; a file that cannot be opened leaves the room unchanged (box, no exit).
    void AddPlanesTxT(const char* FileName);
    void ReadPlanesTxtFrontBack(const char* FileName);  // each plane also reversed
    void AddDirectivitiesTxt(const char* FileName);
    void AddSourceLayersTxt(const char* FileName);
    void AddSourcesTxt(const char* FileName);
    void AddReceiverLayersTxt(const char* FileName);
    void AddReceiversTxt(const char* FileName);
    // The run chain of LoadProject (room/LoadProject.h) on this room, which holds no elements.
    void LoadFromTxtFile(const char* FileName);
    // Writes the triangles of every plane.
    void gravatriangulos(const char* arquivo);

    // =========================================================================================
    // Project file writing (TRoomProjectWriter.cpp)
    // =========================================================================================
    // 1 after a complete save. 0, with the old file untouched, when the file cannot be written
    // or an element cannot be written as a loadable line (reported in a box).
    int SaveRoom(const char* FileName);
    // Each appends its section(s); entries that cannot be written are reported and left out.
    void SaveSourceLayers(const char* FileName);
    void SaveSources(const char* FileName);
    void SaveReceiverLayers(const char* FileName);
    void SaveReceivers(const char* FileName);
    void SaveMaterials(const char* FileName);
    void SavePlaneLayers(const char* FileName);  // <LAYERS::PLANE> and <LAYERS::COLOR>
    void SavePlanes(const char* FileName);
    // <RECEIVERS> with each receiver's pattern name in place of its layer.
    void WriteReceivers(FILE* fid);

    // =========================================================================================
    // Ray tracer, simulation run and progress, mean free path
    // =========================================================================================
    // Tracer (src/simulation/TRoomTracer.cpp). Simulate traces every source's rays and hands
    // the arrivals to the pair results (CreateResults first): PrepareRun, then the tracing.
    // The tracing may run on the simulation thread: it sets IsRunning, publishes
    // PercentageStatus after every ray and ends after the current ray once IsRunning is
    // cleared. Rays are traced on TracerThreadCount() threads and committed in ray order, so
    // outputs do not depend on the thread count or on the other tracer paths of `run`.
    //
    // What a run writes while it goes (a view that draws during a run reads these as they
    // change): IsRunning, PercentageStatus, NumRays, MeanFreePath, each plane's `hits`, the
    // lost-ray list (filled when the run ends), the pair results and their files. Everything
    // else it changes, PrepareRun changes first on the caller's thread.
    void Simulate();
    // The resets of a run, on the caller's thread before the run starts (StartSimulation and
    // Simulate call it): the lost-ray list emptied, every source's ray count brought to its grid
    // count, and with the artificial tail an unlimited reflection count limited to 6. Nothing
    // changes when the run would be refused (no results created, no sources or receivers).
    void PrepareRun();
    unsigned int TracerThreadCount() const;
    // Weight in (0, 1] of receiver R for the ray's forward line; -1 or NaN when it misses.
    double RayTracingReception(const Raio_st& y, int S, int R);
    // 1 when no plane lies between p and recpos. From a reflection point pass its plane as
    // skipPlane, so that the plane itself cannot block the path by rounding.
    int CheckVisibility(TPoint3D p, TPoint3D recpos);
    int CheckVisibility(TPoint3D p, TPoint3D recpos, int skipPlane);
    // The arrival record of a ray as it stands: index dist / VSound * FSample (truncated),
    // direction of -v in radians (radius 1) and the band energies.
    void ConvertRays(const Raio_st& in, TRay& out);
    // With ModalFlag only: per source, receiver and plane one ray from the source against the
    // plane's normal, weighted by the room constants of the low bands, moved at its first
    // reflection to the receiver's projection onto that plane; late arrivals are inserted.
    void SimulateModes();

    // Mean free path in metres from a receiver-less trace of 1002 rays from the room centre
    // (src/simulation/TRoomMeanFreePath.cpp). Leaves NumRays and IsRunning alone; 4 V / S when
    // no ray reflects (0 when that is not defined either).
    float MFP_Estimation();
    // MeanFreePath, estimated and stored first when the room has none (0 or not finite).
    float EnsureMeanFreePath();

    // Run and progress (src/simulation/TRoomSimulation.cpp). StartSimulation runs PrepareRun,
    // then Simulate's tracing and CalculateResponses on the run's thread, and returns at once;
    // PercentageStatus runs 0-50 over the rays and 50-100 over the pairs. A run still going is
    // not replaced (message); a thread that cannot start leaves IsRunning cleared. With
    // auralization on, a source's sound file that cannot be auralized ends the process
    // (status 1) before the run starts. True when the run's thread was started.
    bool StartSimulation();
    // True while a run's thread works (from StartSimulation until its body has returned).
    bool SimulationActive() const { return run.Active(); }
    // Waits for the run to end by itself; a fatal exit raised on its thread (SorviExit) is
    // thrown again here, on the caller's thread.
    void WaitForSimulation() { run.Wait(); }
    // Asks the run to end (the tracing after the current ray, the responses after the current
    // pair) and returns at once; StopSimulation or WaitForSimulation then waits for it.
    void RequestSimulationStop() { run.RequestStop(); }
    // Asks the run to end, waits for the thread and clears IsRunning. A fatal exit raised on
    // the thread (SorviExit) is thrown again here, on the caller's thread.
    void StopSimulation();
    // The thread's body after PrepareRun: the tracing, then CalculateResponses, on the room c.
    static void* staticEntryPoint(void* c);
    // Direct sound, clustering and synthesis of every pair, sources outer. Sets IsRunning;
    // a cleared flag (or a stop) before the last pair ends it with a message; clears the flag.
    void CalculateResponses();
    // Responses and parameters of every pair from its stored "RAYS-S%.3d-R%.3d.txt".
    void CalculateResponsesFromRayFiles();
    // Records every plane's hit counter, so that the plane report counts the reflections of
    // the run that follows. The thread body and RunFile call it before Simulate; a caller that
    // runs Simulate itself calls it first.
    void MarkPlaneHitsBeforeRun();

private:
    std::vector<unsigned int> PlaneHitsBeforeRun;
    bool TailLimitNotice = false;  // PrepareRun limited the reflections: the tracing says so
    // The tracing of Simulate, without PrepareRun.
    void TraceRays();
    // True when no simulation thread is working; waits for one that has finished.
    bool SimulationIdle(const char* operation);

public:

    // =========================================================================================
    // Ray directions and reflection at planes (src/simulation/TRoomRays.cpp)
    // =========================================================================================
    // Writes the 10 n^2 + 2 grid directions for the count (n = floor(sqrt((N - 2) / 10)), at
    // least 1: counts under 12 give the twelve vertices); RaysDir must hold that many
    // (RayDirectionCount in geometry/RayDirections.h). Reads no room state.
    void CreateRaysDirections(double NumberOfRays, TVector* RaysDir);
    // Writes NumRays directions as "%d %1.3f %1.3f %1.3f\n" lines, numbered from 1.
    void GravaRaios(const char* arquivo, const TVector* RaysDir);
    // Moves the ray to p on plane P, reflects it and takes the plane material's absorption (and
    // with DiffuseProcessing its scattered share, written to scattEnergy) off its bands.
    // Returns 1. A plane without a valid layer or material reflects without loss.
    double PlaneInteraction(int P, Raio_st& ray, TPoint3D p, float* scattEnergy);
    // The same with the absorption averaged over the ray's reflections, always scattering.
    double PlaneInteractionACC(int P, Raio_st& ray, TPoint3D p, float* scattEnergy);
    // Reflection with absorption only; the new direction is normalised.
    void PlaneInteraction(int P, Raio_st& ray, TPoint3D p);

    // =========================================================================================
    // Lost rays (src/simulation/TRoomLostRays.cpp)
    // =========================================================================================
    // Reads "LostRays.txt" of the project folder into a new list. Lines are checked: the list
    // ends before the first malformed line, which is reported.
    void LoadLostRaysTxt();
    // Replaces the list by NLost empty records.
    void CreateLostRays(unsigned int NLost);
    // Frees the list; harmless without one.
    void DeleteLostRays();
    void WriteLostRays(const char* FileName);  // does nothing
    void AddLostRay(const Raio_st& ray);        // does nothing

    // =========================================================================================
    // Pair results: creation, clearing, saving, reloading, auralization
    // =========================================================================================
    // Creation and clearing (src/simulation/TRoomResults.cpp).
    // Lengthens the response (MaxLength) when the farthest pair lies beyond it.
    void CheckRoom();
    // Clears existing results, checks the room, estimates the mean free path and creates one
    // result per receiver and source with new, empty ray files (and hit files with HIT_FILES).
    void CreateResults();
    // Results for responses rebuilt from stored ray files: no room check, no mean-free-path
    // estimate, no ray files; every stored arrival counts as early for a negative cluster order.
    void CreateResultsForRaysFiles();
    // Frees every result (closing its files), walking the dimensions they were created with.
    void ClearResults();
    // True when a result exists for every current source-receiver pair.
    bool HasPairResults() const;

    // Saving, reloading and cleaning (src/simulation/TRoomSaveResults.cpp).
    // Response and parameter files of every pair; with AuralizationFlag the WAV files too.
    // Refused (message) while a simulation thread works.
    void SaveResults();
    // Results created again without touching stored ray and hit files, then every pair's
    // response file read and its parameters computed. -1 (message) without sources or receivers.
    int LoadResults();
    // Pair results for reading stored responses: the room check and the mean-free-path
    // estimate as CreateResults, but no ray or hit file is created, so stored ones survive.
    void CreateResultsForReading();
    // Every pair's "S%.3d-R%.3d.txt" into its globalIR (results created for reading first when
    // none exist); no parameters.
    void ReadResultFromFiles();
    // True when "S%.3d-R%.3d.txt" exists for every pair (false without sources or receivers).
    bool CheckSavedResults();
    // Delete the old result files of the project folder that match the fixed name patterns
    // (regular files only, no shell), printing each pattern.
    void CleanResultFiles();
    void CleanRayFiles();
    void CleanHitFiles();
    // Prints how many planes no ray of the last run reflected from and lists them in
    // "report.txt" of the project folder.
    void ListDeathPlanes();
    void ShowResults();
    // Loads the project file (the run chain of LoadProject), simulates on the calling thread
    // and saves the results.
    void RunFile(const char* Filename);

    // Result sets (src/simulation/TRoomResultSet.cpp). A run, a rebuild from ray files or a new
    // auralization writes its files as one set: under temporary names in the project folder,
    // all put in place by CommitResultSet, so that a run that cannot finish leaves the folder's
    // earlier files as they were. The folder's run lock is held from BeginResultSet to the
    // commit or the discard.
    // The lock of the project folder; BeginResultSet takes it unless the room holds it already.
    std::unique_ptr<RunLock> runLock;
    // Opens the set (a set still open is discarded first). With replacesRun, the commit also
    // removes the earlier run's files that the new one did not write, as a clean-up before the
    // run did. Another run in the folder: message and SorviExit(1).
    void BeginResultSet(bool replacesRun);
    bool ResultSetOpen() const { return staged_ != nullptr; }
    // Where the result file `name` of the project folder is written: its temporary while a set
    // is open, else the file itself.
    std::string ResultFile(const std::string& name) const;
    // Puts the set in place and frees the lock. A file that could not be written or put in
    // place: the message names it and why, the temporaries go, the earlier files stay byte for
    // byte, and SorviExit(1) is thrown. Without an open set, nothing happens.
    void CommitResultSet();
    // Drops the set's temporaries and frees the lock; harmless without a set.
    void DiscardResultSet();

    // WAV responses and auralization (src/simulation/TRoomAuralization.cpp).
    // Every source's sound file convolved with every pair's response ("S%.3d-R%.3d.wav", each
    // normalised to peak 1) and one mix per receiver ("SALL-R%.3d.wav", relative levels kept).
    // A sound file that cannot be auralized ends the process (status 1) before any file is
    // written; a pair file that could not be written is left out of the mix.
    void Auralization();
    // Every pair's response as "S%.3d-R%.3d-IR.wav", all scaled by one gain so that the
    // loudest pair peaks at 1. Silent responses are written as silence.
    void SaveImpRespWAV();
    // True when every source's sound file can be auralized: a readable, compatible, mono WAV
    // file of finite samples (a source without one, "NONE", takes a unit impulse). Otherwise
    // shows the reason ("File %s has %d channels. ...") and returns false.
    bool CheckAuralizationInputs();
    // Statistical decay (src/simulation/TRoomDecay.cpp): decaying noise at the Sabine time of
    // every band inserted into each pair from its direct-sound sample on. Results must exist.
    void SimulateDecay();

    // =========================================================================================
    // Room information report (TRoomInfo.cpp)
    // =========================================================================================
    // Settings, layers, elements, materials and geometry on standard output, with the volume
    // estimated from the caller's mean free path (EnsureMeanFreePath gives the room's).
    void ShowInfo(float meanFreePath);
    // The shorter report as a text file (the console program writes "SIM-INFO.txt").
    void SaveInfo(const char* filename);

private:
    std::unique_ptr<StagedFiles> staged_;
    bool replacesRun_ = false;
    void InitDefaults();
    // Frees the pair results (what clearing the results does) without needing TResult here.
    void ReleaseResults();
    void RenumberSources();
    void RenumberReceivers();
    void ClearExternalMarks();
};
