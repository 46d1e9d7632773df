#pragma once
// The room model: geometry and elements, environment and simulation settings, derived metrics
// and the project's paths, with the project file's reading and writing and the information
// report. It stands on geometry, dsp and directivity and knows nothing of the simulation: the
// run, the pair results, the lost rays, the tracer and the result files belong to TRoom
// (simulation/TRoom.h), which derives from this class and is the room the programs hold.
// TRoom stops its run and frees what it owns before this destructor prints its listing, and
// extends LiberaMemoria with its results (the one virtual operation besides the destructor).
//
// Each group of operations is implemented in its own source file; the blocks below say which.
// Element types are only forward-declared here: a file that reads an element's fields includes
// that element's header.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "geometry/TPoint3D.h"
#include "room/TPlaneLayer.h"

class TPlane;
class TSource;
class TReceiver;
class TMaterial;
class TSourceLayer;
class TReceiverLayer;
class TDirectivity;
class TLinearSource;

// Deleter fixed where the element is created, so that a room can be destroyed (and its
// collections emptied) in files that see only the forward declarations above.
template <class T> struct RoomDeleter {
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
template <class T> using RoomPtr = std::unique_ptr<T, RoomDeleter<T>>;

class TRoomModel {
public:
    // =========================================================================================
    // Record (fields in this order; counts beside their containers).
    // =========================================================================================
    float Rho;                                          // air density, kg/m^3
    std::vector<std::vector<float>> AverageAbsorption;  // [4][NumBands] mean absorption
    unsigned int NumRays;                               // room-level ray count (GetNumRays)

    unsigned int NumPlanes;
    std::vector<RoomPtr<TPlane>> plane;
    unsigned int NumSources;
    std::vector<RoomPtr<TSource>> source;
    unsigned int NumLinearSources;
    TLinearSource* linsrc;  // line sources: never filled by the simulation
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

    unsigned int NumBands;       // always 9: octave bands 62.5 * 2^b Hz
    float FSample;               // sample rate, Hz
    unsigned int MaxLength;      // response length, samples
    float StopDecay;             // dB below a ray's start energy where it is dropped (< 0)
    float VSound;                // speed of sound, m/s
    std::vector<double> AirAbs;  // [NumBands] air absorption, nepers per metre
    double Temperature;          // degrees Celsius
    double Humidity;             // percent
    double Pressure;             // atmospheres
    // Set by TRoom while pair results exist: the response length may not grow under them.
    bool ResultsCreated;
    bool AverageAbsorptionCreated;
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
    int MaxRayTracReflections;            // -1: not limited
    int ClusterOrderGlobal;               // -1: chosen during the simulation
    int ForceVolumeFlag;                  // 1: Volume comes from the project file
    double Volume, Area;                  // m^3, m^2
    std::vector<std::vector<float>> T60;  // [4][NumBands] Sabine/Eyring times, s
    float CriticalDistance;               // m
    float MeanFreePath;                   // m
    std::vector<float> RoomConstant;      // [NumBands]
    TPoint3D Center;
    bool FLAG_SimulateModes, FLAG_SimulateTwoSteps;
    std::string SoftwareFolder;      // working directory when the paths were set
    std::string AcousticDataFolder;  // the same
    std::string ProjectFolder;       // folder of the project file; result files go there
    std::string ProjectName;         // project file name without its folder

    // =========================================================================================
    // Construction, absorption tables, settings and paths (TRoomModel.cpp)
    // =========================================================================================
    TRoomModel();
    TRoomModel(int NPlan, int NSrc, int Nrec);  // TRoomCollections.cpp
    virtual ~TRoomModel();
    TRoomModel(const TRoomModel&) = delete;
    TRoomModel& operator=(const TRoomModel&) = delete;

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
    // Element collections (emptying and release: TRoomModel.cpp; the rest: TRoomCollections.cpp)
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

    // Empties materials, source layers, plane layers, planes, sources and receivers before a
    // fatal exit; TRoom empties its results first.
    virtual void LiberaMemoria();

    // =========================================================================================
    // Room metrics (TRoomMetrics.cpp) and external planes (TRoomExternalPlanes.cpp)
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
    // Room information report (TRoomInfo.cpp)
    // =========================================================================================
    // Settings, layers, elements, materials and geometry on standard output, with the volume
    // estimated from the caller's mean free path (TRoom::EnsureMeanFreePath gives the room's).
    void ShowInfo(float meanFreePath);
    // The shorter report as a text file (the console program writes "SIM-INFO.txt").
    void SaveInfo(const char* filename);

private:
    void InitDefaults();
    void RenumberSources();
    void RenumberReceivers();
    void ClearExternalMarks();
};
